#include "lib/Log.h"

#include <cstdarg>
#include <cstdio>

namespace olvask {

std::atomic<int> g_logLevel{0};

void Log(int level, const char* format, ...) {
    if (level > g_logLevel.load(std::memory_order_relaxed))
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "olvask: %s\n", line);
}

} // namespace olvask
