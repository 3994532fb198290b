#pragma once

// A required part of the skin that is missing or unreadable ends the program at once, with
// exit code 0 and no message: every such failure goes through this one function.

namespace ui {

[[noreturn]] void EndProgramSilently();

} // namespace ui
