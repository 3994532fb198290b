#include "keys/KeyButtons.h"

#include "keys/KeyCodes.h"
#include "keys/KeyEntry.h"

namespace keys {

uint16_t ButtonShowingEntry(uint32_t globalEntry, uint32_t shownBlock, bool layerB) {
    if (globalEntry / kKeyBlockEntries != shownBlock)
        return 0;
    const uint32_t entry = globalEntry % kKeyBlockEntries;
    for (const KeyButton& k : kKeyButtons)
        if (KeyIndexOf(k.code) == entry)
            return k.id;
    for (uint16_t n = 1; n <= kSpecialButtons; ++n)
        if (SpecialButtonEntry(n, layerB) == entry)
            return kSpecialButtonTable[n - 1].id;
    return 0;
}

bool IsKeyButton(uint16_t id) {
    for (const KeyButton& k : kKeyButtons)
        if (k.id == id)
            return true;
    return false;
}

bool IsSpecialButton(uint16_t id) {
    for (const SpecialButton& s : kSpecialButtonTable)
        if (s.id == id)
            return true;
    return false;
}

bool IsPictureKey(uint16_t id) {
    return IsKeyButton(id) || IsSpecialButton(id) || id == kFnButtonId ||
           (id >= kFirstDButtonId && id < kFirstDButtonId + kDButtonCount);
}

} // namespace keys
