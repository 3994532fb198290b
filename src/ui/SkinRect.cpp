#include "ui/SkinRect.h"

#include "ui/IniFile.h"

#include <array>
#include <limits>

namespace ui {

namespace {

bool IsScanfBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// One "%d": blanks, an optional sign, at least one digit. Values beyond int are clamped.
bool ParseInt(std::u16string_view text, size_t& at, int& out) {
    while (at < text.size() && IsScanfBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    const size_t digits = at;
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
        if (value < kLimit)
            value = value * 10 + (text[at] - u'0');
        ++at;
    }
    if (at == digits)
        return false;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        value = std::numeric_limits<int>::min();
    out = static_cast<int>(value);
    return true;
}

std::u16string Ascii(std::string_view s) {
    return {s.begin(), s.end()};
}

} // namespace

SkinRect ParseSkinRect(std::u16string_view text) {
    std::array<int, 4> fields{1, 1, 1, 1};
    size_t at = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != u',')
                break;
            ++at;
        }
        if (!ParseInt(text, at, fields[i]))
            break;
    }
    return {fields[0], fields[1], fields[2], fields[3]};
}

SkinRect ReadSkinRect(const std::filesystem::path& file, std::u16string_view section,
                      std::u16string_view key) {
    return ParseSkinRect(
        GetPrivateProfileString(section, key, kMissingLayoutValue, kLayoutBufferSize, file));
}

std::u16string KeyButtonLayoutKey(uint16_t keyIndex) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (int shift = 8; shift >= 0; shift -= 4)
        digits += kHex[(keyIndex >> shift) & 0xF];
    // Indexes above 0xFFF keep all their digits, as "%03X" does.
    for (int shift = 12; shift < 16 && (keyIndex >> shift) != 0; shift += 4)
        digits.insert(digits.begin(), kHex[(keyIndex >> shift) & 0xF]);
    return u"KEY_" + Ascii(digits);
}

std::u16string SpecialButtonLayoutKey(int number) {
    return u"FUNC_G" + Ascii(std::to_string(number));
}

std::u16string ArrowFaceKey(bool left, int flip) {
    std::u16string key = flip == 1 ? u"UP_ARROW_" : u"DOWN_ARROW_";
    key += left ? u"LEFT" : u"RIGHT";
    return key + u"1";
}

} // namespace ui
