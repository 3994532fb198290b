#pragma once

// What a keyboard's arrival reads before the store is rebuilt from it.

#include <cstdint>

namespace profiles {

struct ConnectionReads {
    int32_t defaultLayout = 0; // ReadDefaultLayout's result
    int32_t config = 0;        // ReadConfig's result
};

// Reads the keyboard's default layout into the store (which keeps its previous layout when
// the read fails; the caller then shows MAIN_DEFAULT_MATRIX_PROMPT) and sets the macro
// space from the configuration block (kept when that read fails).
ConnectionReads ReadKeyboardOnConnection();

} // namespace profiles
