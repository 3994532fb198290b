#include "ui/MaskRegion.h"

#include <algorithm>

namespace ui {

namespace {

bool InRange(uint8_t value, uint8_t low, uint8_t tolerance) {
    const int high = std::min(255, low + tolerance);
    return value >= low && value <= high;
}

} // namespace

bool IsTransparent(Rgb pixel, Rgb transparent, uint8_t tolerance) {
    return InRange(pixel.r, transparent.r, tolerance) &&
           InRange(pixel.g, transparent.g, tolerance) && InRange(pixel.b, transparent.b, tolerance);
}

std::vector<PixelRun> CollectWindowRuns(std::span<const uint32_t> pixels, int width, int height,
                                        int stride, Rgb transparent, uint8_t tolerance) {
    std::vector<PixelRun> runs;
    if (width <= 0 || height <= 0 || stride < width ||
        pixels.size() < static_cast<size_t>(stride) * (height - 1) + width)
        return runs;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(y) * stride;
        int start = -1;
        for (int x = 0; x <= width; ++x) {
            bool window = false;
            if (x < width) {
                const uint32_t p = row[x];
                const Rgb c{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                            static_cast<uint8_t>(p)};
                window = !IsTransparent(c, transparent, tolerance);
            }
            if (window && start < 0) {
                start = x;
            } else if (!window && start >= 0) {
                runs.push_back({start, y, x - start});
                start = -1;
            }
        }
    }
    return runs;
}

} // namespace ui
