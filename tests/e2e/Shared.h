#pragma once

// What the end-to-end suites share: how long they wait for what a person would see, a
// virtual keyboard's hexadecimal dump as bytes, and a control's place in a skin layout.

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Harness.h"
#include "ui/SkinRect.h"

namespace e2e {

inline constexpr auto kPatience = 20s;

inline std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline ui::SkinRect Layout(const char* file, const char16_t* key) {
    return ui::ReadSkinRect(std::filesystem::path(BRISVANE_BUILD_ROOT) / "Skins" / file,
                            u"BUTTONINFO", key);
}

} // namespace e2e
