#include "ui/SkinRegion.h"

#include <QRect>

#include <vector>

namespace ui {

QRegion RegionFromMask(const QImage& mask, Rgb transparent, uint8_t tolerance) {
    if (mask.isNull())
        return {};
    const QImage pixels = mask.convertToFormat(QImage::Format_RGB32);
    const auto* data = reinterpret_cast<const uint32_t*>(pixels.constBits());
    const int stride = static_cast<int>(pixels.bytesPerLine() / 4);
    const std::vector<PixelRun> runs =
        CollectWindowRuns({data, static_cast<size_t>(stride) * pixels.height()}, pixels.width(),
                          pixels.height(), stride, transparent, tolerance);
    // Built block by block, so that no single step handles more than a block of rectangles.
    QRegion region;
    std::vector<QRect> block;
    block.reserve(kRegionBlockRuns);
    auto flush = [&] {
        QRegion part;
        part.setRects(block.data(), static_cast<int>(block.size()));
        region = region.united(part);
        block.clear();
    };
    for (const PixelRun& run : runs) {
        block.emplace_back(run.x, run.y, run.width, 1);
        if (block.size() == kRegionBlockRuns)
            flush();
    }
    if (!block.empty())
        flush();
    return region;
}

} // namespace ui
