#pragma once

// The virtual keyboard's flash kept in a file across runs: a text file, one memory per
// line in hexadecimal, then the violations recorded so far, one per line; replaced
// atomically at every save.

#include <filesystem>
#include <string>

#include "vkbd/Memory.h"
#include "vkbd/Violations.h"

namespace vkbd {

enum class LoadResult { Loaded, Missing, Damaged };

LoadResult LoadState(const std::filesystem::path& path, MemoryImage* image, std::string* error,
                     ViolationLog* violations = nullptr);
// Writes a temporary file beside the state file and renames it into place.
bool SaveState(const std::filesystem::path& path, const MemoryImage& image, std::string* error,
               const ViolationLog* violations = nullptr);

// $XDG_STATE_HOME/olvask-vkbd/state, else ~/.local/state/olvask-vkbd/state.
std::filesystem::path DefaultStatePath();

} // namespace vkbd
