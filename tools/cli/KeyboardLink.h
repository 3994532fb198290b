#pragma once

// The keyboard, reached through the transport library beside the program.

#include <filesystem>
#include <string>

namespace cli {

// Binds the transport library, waits briefly for a keyboard and reads what a connection
// reads (default layout, macro space). Returns an empty text when a keyboard answered,
// else what went wrong.
std::string ConnectKeyboard(const std::filesystem::path& programFolder);

} // namespace cli
