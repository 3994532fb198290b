#pragma once

// Layout keys of the skin files: a rectangle "x,y,w,h" per control, the rule that marks a
// missing key, and the names of the keys that are formed from numbers.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ui {

struct SkinRect {
    int x = 1;
    int y = 1;
    int w = 1;
    int h = 1;
    bool operator==(const SkinRect&) const = default;
};

// What a missing key reads as, and the read buffer of a layout value.
inline constexpr std::u16string_view kMissingLayoutValue = u"1,1,1,1,x";
inline constexpr size_t kLayoutBufferSize = 260;

// Reads "%d,%d,%d,%d" as the desktop's scanf does: leading blanks before each number, the
// commas exactly, whatever follows the fourth number ignored. Fields that do not parse are
// 1, as for a missing key.
SkinRect ParseSkinRect(std::u16string_view text);

// The rectangle of a key of a layout file ("1,1,1,1" when the file or the key is missing).
SkinRect ReadSkinRect(const std::filesystem::path& file, std::u16string_view section,
                      std::u16string_view key);

// An image button whose rectangle starts at 1, 1 has no layout key and is disabled; 0, 0 is
// a real place, the window's corner.
constexpr bool DisablesImageButton(const SkinRect& r) {
    return r.x == 1 && r.y == 1;
}

// Faces are cut from the pictures one pixel up and left of the control's place.
struct SkinPoint {
    int x = 0;
    int y = 0;
    bool operator==(const SkinPoint&) const = default;
};
constexpr SkinPoint FaceCutPoint(const SkinRect& r) {
    return {r.x - 1, r.y - 1};
}

// "KEY_%03X" with the key index; "FUNC_G%d" with the special button's number 1..9.
std::u16string KeyButtonLayoutKey(uint16_t keyIndex);
std::u16string SpecialButtonLayoutKey(int number);

// The arrow pictures' face keys in "BUTTONINFO2": "UP_ARROW_LEFT1" and so on; up when Flip
// is 1, down when it is 0.
std::u16string ArrowFaceKey(bool left, int flip);

} // namespace ui
