#pragma once

// How an image button lays out its caption: the desktop's DrawText format flags, the font
// height for a point size, and the weight of a rotated caption.

#include <cstdint>

namespace ui {

inline constexpr uint32_t kDrawCentre = 0x0001;
inline constexpr uint32_t kDrawRight = 0x0002;
inline constexpr uint32_t kDrawVCentre = 0x0004;
inline constexpr uint32_t kDrawBottom = 0x0008;
inline constexpr uint32_t kDrawWordBreak = 0x0010;
inline constexpr uint32_t kDrawSingleLine = 0x0020;
inline constexpr uint32_t kDrawNoPrefix = 0x0800;
inline constexpr uint32_t kDrawEndEllipsis = 0x8000;

enum class HorizontalPlace { Left, Centre, Right };
enum class VerticalPlace { Top, Middle, Bottom };

struct CaptionPlacement {
    HorizontalPlace horizontal = HorizontalPlace::Left;
    VerticalPlace vertical = VerticalPlace::Top;
    bool singleLine = false;
    bool wordBreak = false;
    bool mnemonic = true; // "&x" underlines x unless the format says no prefix
    bool ellipsis = false;
    bool operator==(const CaptionPlacement&) const = default;
};

// Vertical placement applies to single-line captions only; others start at the top.
constexpr CaptionPlacement PlacementOfFormat(uint32_t format) {
    CaptionPlacement p;
    p.horizontal = (format & kDrawCentre)  ? HorizontalPlace::Centre
                   : (format & kDrawRight) ? HorizontalPlace::Right
                                           : HorizontalPlace::Left;
    p.singleLine = (format & kDrawSingleLine) != 0;
    if (p.singleLine)
        p.vertical = (format & kDrawVCentre)  ? VerticalPlace::Middle
                     : (format & kDrawBottom) ? VerticalPlace::Bottom
                                              : VerticalPlace::Top;
    p.wordBreak = !p.singleLine && (format & kDrawWordBreak) != 0;
    p.mnemonic = (format & kDrawNoPrefix) == 0;
    p.ellipsis = (format & kDrawEndEllipsis) != 0;
    return p;
}

// A point size at the screen's resolution, rounded as the desktop's MulDiv does.
constexpr int FontPixelHeight(int points, int dotsPerInch) {
    const long long product = static_cast<long long>(points) * dotsPerInch;
    return static_cast<int>(product >= 0 ? (product + 36) / 72 : (product - 36) / 72);
}

// Captions are drawn at weight 400, rotated ones (rotation flag set) at 956.
constexpr int CaptionWeight(bool rotated) {
    return rotated ? 956 : 400;
}

} // namespace ui
