#pragma once

// How long the program's windows stay hidden before their decoded pictures are let go: a
// window shown again within it shows at once.

#include <chrono>

namespace ui {

inline constexpr std::chrono::milliseconds kSurfacesSleepAfter{20000};

} // namespace ui
