#pragma once

// "brisvane-cli doctor": what keeps the keyboard or the program from working, and the
// commands that mend it.

namespace cli {

// Prints the findings (as JSON with json) and returns 0 when all is well, 1 otherwise.
int RunDoctor(bool json);

} // namespace cli
