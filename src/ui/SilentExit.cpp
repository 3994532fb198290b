#include "ui/SilentExit.h"

#include <cstdlib>

namespace ui {

void EndProgramSilently() {
    // No destructors, no atexit handlers, no flushing of anything half-written: the
    // program stops where it is, as the desktop's ExitProcess(0) would stop it.
    std::_Exit(0);
}

} // namespace ui
