#pragma once

// Diagnostics on standard error, off unless Debug(level) or OLVASK_DEBUG asks for them.

#include <atomic>

namespace olvask {

extern std::atomic<int> g_logLevel;

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Log(int level, const char* format, ...);

} // namespace olvask
