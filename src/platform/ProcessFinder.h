#pragma once

#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace platform {

// The first of the user's processes, in pid order and the caller included, whose program
// file name equals name case-insensitively; 0 when none does or /proc cannot be read.
pid_t FindProcessByFileName(std::string_view name, const std::filesystem::path& procRoot = "/proc");

} // namespace platform
