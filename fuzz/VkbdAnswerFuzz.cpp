// Any reports a host sends to the virtual keyboard, one after the other: each is judged and
// carried out or refused without reaching outside the keyboard's memories.

#include <span>

#include "vkbd/CommandHandler.h"
#include "vkbd/FactoryContent.h"
#include "vkbd/Memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const vkbd::MemoryImage factory = vkbd::FactoryImage(128);
    vkbd::KeyboardMemory memory(factory);
    vkbd::CommandHandler handler(memory);
    // Several reports in a row, so that brackets open and close.
    for (size_t at = 0; at < size; at += 64) {
        const size_t n = std::min<size_t>(64, size - at);
        handler.Handle(std::span<const uint8_t>(data + at, n));
    }
    return 0;
}
