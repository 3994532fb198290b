#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vkbd {

// "0a1b..." without separators.
std::string ToHex(std::span<const uint8_t> bytes);
// Accepts upper and lower case; nothing for an odd length or another character.
std::optional<std::vector<uint8_t>> FromHex(std::string_view text);
// 16 bytes a line, each line led by its offset: "0010: 05 03 01 ...".
std::string HexDump(std::span<const uint8_t> bytes);

} // namespace vkbd
