// The virtual keyboard's state file, which survives between runs and can be damaged.

#include <string>

#include "FuzzInput.h"
#include "vkbd/Memory.h"
#include "vkbd/StateFile.h"
#include "vkbd/Violations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto file = fuzz::InputFile("state", data, size);
    static vkbd::MemoryImage image;
    vkbd::ViolationLog violations;
    std::string error;
    vkbd::LoadState(file, &image, &error, &violations);
    return 0;
}
