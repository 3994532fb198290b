#include "vkbd/Hex.h"

#include <cstdio>

namespace vkbd {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

int Nibble(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string ToHex(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xF]);
    }
    return text;
}

std::optional<std::vector<uint8_t>> FromHex(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = Nibble(text[i]), lo = Nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

std::string HexDump(std::span<const uint8_t> bytes) {
    std::string text;
    for (size_t line = 0; line < bytes.size(); line += 16) {
        char offset[24];
        std::snprintf(offset, sizeof offset, "%04zx:", line);
        text += offset;
        for (size_t i = line; i < bytes.size() && i < line + 16; ++i) {
            text.push_back(' ');
            text.push_back(kDigits[bytes[i] >> 4]);
            text.push_back(kDigits[bytes[i] & 0xF]);
        }
        text.push_back('\n');
    }
    return text;
}

} // namespace vkbd
