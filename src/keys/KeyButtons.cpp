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

} // namespace keys
