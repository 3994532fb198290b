#include "vkbd/MacroArea.h"

namespace vkbd {

namespace {

constexpr uint16_t kMagic = 0x55AA;
constexpr size_t kHeaderSize = 16;

uint16_t U16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::nullopt_t Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return std::nullopt;
}

} // namespace

std::optional<MacroPlayback> MacroAt(std::span<const uint8_t> area, uint32_t position,
                                     std::string* error) {
    if (area.size() < kHeaderSize || U16(area, 0) != kMagic)
        return Fail(error, "the macro area holds no macros");
    const size_t total = U16(area, 2);
    const uint16_t count = U16(area, 4);
    if (total > area.size() || total < kHeaderSize + 2u * count)
        return Fail(error, "the macro area's header does not fit the macro space");
    if (position >= count)
        return Fail(error, "the macro area holds " + std::to_string(count) +
                               " macro(s); there is none at position " + std::to_string(position));
    const size_t block = U16(area, kHeaderSize + 2 * position);
    if (block + 4 > total)
        return Fail(error, "macro " + std::to_string(position) + " lies outside the area");
    MacroPlayback playback;
    playback.actions = U16(area, block);
    playback.cycles = area[block + 2];
    if (block + 4 + 4u * playback.actions > total)
        return Fail(error, "macro " + std::to_string(position) + " runs past the end of the area");
    uint64_t once = 0;
    for (size_t j = 0; j < playback.actions; ++j)
        once += (U16(area, block + 4 + 4 * j) & 0x0FFF) * 10u;
    playback.durationMs = once * (playback.cycles == 0 ? 1 : playback.cycles);
    return playback;
}

} // namespace vkbd
