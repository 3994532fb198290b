#pragma once

// The outline of a shaped window, read from its mask picture: every pixel whose colour lies
// within the transparent colour's range is a hole, the rest is the window.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ui {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// One run of window pixels within a row: one pixel high.
struct PixelRun {
    int x = 0;
    int y = 0;
    int width = 0;
    bool operator==(const PixelRun&) const = default;
};

// Regions are built from blocks of this many runs.
inline constexpr size_t kRegionBlockRuns = 2000;

// Per channel the range is [transparent, transparent + tolerance], capped at 255. With
// tolerance 0 only the exact colour is transparent.
bool IsTransparent(Rgb pixel, Rgb transparent, uint8_t tolerance);

// Walks rows top to bottom and collects each run of consecutive non-transparent pixels.
// pixels holds 0xAARRGGBB values (alpha ignored), row by row, stride pixels per row.
// An empty result means the mask has no window pixel at all.
std::vector<PixelRun> CollectWindowRuns(std::span<const uint32_t> pixels, int width, int height,
                                        int stride, Rgb transparent, uint8_t tolerance);

} // namespace ui
