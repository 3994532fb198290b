// A macro area as the keyboard returns it, decoded as a snapshot decodes it: the count is
// held to what the area can carry before records are made for it.

#include <memory>
#include <span>

#include "macros/MacroArea.h"
#include "macros/MacroRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> area(data, size);
    const uint16_t count = macros::AreaMacroCount(area);
    if (count == 0 || count > macros::kMaxMacros)
        return 0;
    auto records = std::make_unique<macros::MacroRecord[]>(count);
    if (macros::UnpackMacros({records.get(), count}, area) == 1) {
        for (uint16_t i = 0; i < count; ++i)
            if (records[i].actionCount > macros::kMaxActions)
                __builtin_trap();
    }
    return 0;
}
