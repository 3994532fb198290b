#include "vkbd/Memory.h"

#include <algorithm>
#include <type_traits>

#include "vkbd/FactoryContent.h"

namespace vkbd {

namespace {

template <typename Image> auto Bytes(Image& image, Region region) {
    using Byte = std::conditional_t<std::is_const_v<Image>, const uint8_t, uint8_t>;
    switch (region) {
    case Region::Config:
        return std::span<Byte>(image.config);
    case Region::Params:
        return std::span<Byte>(image.params);
    case Region::KeyMaps:
        return std::span<Byte>(image.keyMaps);
    case Region::KeyColours:
        return std::span<Byte>(image.keyColours);
    case Region::MacroArea:
        return std::span<Byte>(image.macroArea).first(image.MacroSpace());
    case Region::DefaultLayout:
        break;
    }
    return std::span<Byte>();
}

bool Inside(size_t size, uint32_t position, uint32_t length) {
    return length <= kMaxTransfer && position <= size && length <= size - position;
}

bool ReadOnlyConfigByte(uint32_t i) {
    return i == kConfigMacroUnits || (i >= kConfigEffectsBegin && i < kConfigEffectsEnd);
}

} // namespace

std::span<const uint8_t> RegionBytes(const MemoryImage& image, Region region) {
    if (region == Region::DefaultLayout)
        return DefaultLayout();
    return Bytes(image, region);
}

KeyboardMemory::KeyboardMemory(const MemoryImage& flash) : flash_(flash), working_(flash) {}

uint8_t KeyboardMemory::Read(Region region, uint32_t position, uint32_t length,
                             std::span<uint8_t> out) const {
    const std::span<const uint8_t> bytes = RegionBytes(working_, region);
    if (!Inside(bytes.size(), position, length) || out.size() < length)
        return kStatusRefused;
    std::copy_n(bytes.begin() + position, length, out.begin());
    return kStatusAccepted;
}

uint8_t KeyboardMemory::Write(Region region, uint32_t position, std::span<const uint8_t> data) {
    const auto length = static_cast<uint32_t>(data.size());
    const std::span<uint8_t> bytes = Bytes(working_, region);
    if (region == Region::DefaultLayout || !Inside(bytes.size(), position, length))
        return kStatusRefused;
    if (region == Region::Config) {
        for (uint32_t i = 0; i < length; ++i)
            if (position + i == kConfigActiveProfile && data[i] >= kKeyMapPages)
                return kStatusRefused;
        for (uint32_t i = 0; i < length; ++i)
            if (!ReadOnlyConfigByte(position + i))
                bytes[position + i] = data[i];
    } else {
        std::copy(data.begin(), data.end(), bytes.begin() + position);
    }
    if (!transferOpen_)
        Commit();
    return kStatusAccepted;
}

void KeyboardMemory::BeginTransfer() {
    transferOpen_ = true;
}

void KeyboardMemory::EndTransfer() {
    transferOpen_ = false;
    Commit();
}

void KeyboardMemory::PowerCycle() {
    transferOpen_ = false;
    working_ = flash_;
}

void KeyboardMemory::SetMacroUnits(uint8_t units) {
    working_.config[kConfigMacroUnits] = units;
    if (flash_.config[kConfigMacroUnits] != units) {
        flash_.config[kConfigMacroUnits] = units;
        ++generation_;
    }
}

void KeyboardMemory::Commit() {
    if (flash_ == working_)
        return;
    flash_ = working_;
    ++generation_;
}

} // namespace vkbd
