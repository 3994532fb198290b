#pragma once

// Replaces a file as a whole: the bytes go to a temporary file in the same folder, which is
// flushed to disk and then renamed over the target, so that a crash or a full disk never
// leaves a truncated profile behind.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>

namespace profiles {

// Why a file could not be written or read: an errno value, or one of these.
inline constexpr int kNotRegularFile = -1; // a pipe, a device node or a socket

// The system's text for an errno value, or the text of one of the values above.
std::string DescribeFileError(int error);

// Writes the pieces one after the other. A link is written through to the file it names,
// also when that file does not exist yet. Only a regular file is replaced, and only when
// the user may write it; it keeps its owner, group and permissions. Returns 1 written, 0
// failed (the target is then untouched, no temporary file is left and error, when given,
// says why).
int WriteFileAtomically(const std::filesystem::path& target,
                        std::initializer_list<std::span<const uint8_t>> pieces,
                        int* error = nullptr);

} // namespace profiles
