#pragma once

// Replaces a file as a whole: the bytes go to a temporary file in the same folder, which is
// flushed to disk and then renamed over the target, so that a crash or a full disk never
// leaves a truncated profile behind.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

namespace profiles {

// Writes the pieces one after the other. A link is written through to the file it names,
// and a file that exists keeps its permissions. Returns 1 written, 0 failed (the target is
// then untouched and no temporary file is left).
int WriteFileAtomically(const std::filesystem::path& target,
                        std::initializer_list<std::span<const uint8_t>> pieces);

} // namespace profiles
