#include "sensors/storage_descriptors.h"

#include <algorithm>

namespace veltar {
namespace {

// STORAGE_DEVICE_DESCRIPTOR: Version, Size, four bytes, four offsets, then BusType.
constexpr std::size_t kSizeOffset = 4;
constexpr std::size_t kBusTypeOffset = 28;
// STORAGE_TEMPERATURE_DATA_DESCRIPTOR: Version, Size, two temperatures, InfoCount,
// reserved bytes, then 16-byte STORAGE_TEMPERATURE_INFO entries from byte 24.
constexpr std::size_t kCriticalOffset = 8;
constexpr std::size_t kWarningOffset = 10;
constexpr std::size_t kInfoCountOffset = 12;
constexpr std::size_t kFirstInfoOffset = 24;
constexpr std::size_t kInfoSize = 16;
constexpr std::size_t kInfoTemperatureOffset = 2;

std::uint32_t Little32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

std::uint16_t Little16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// The bytes that both the returned length and the descriptor's own Size cover.
std::span<const std::uint8_t> Covered(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSizeOffset + 4) return {};
    return bytes.first(std::min<std::size_t>(bytes.size(), Little32(bytes, kSizeOffset)));
}

}  // namespace

std::optional<std::uint32_t> BusType(std::span<const std::uint8_t> deviceDescriptor) {
    const auto bytes = Covered(deviceDescriptor);
    if (bytes.size() < kBusTypeOffset + 4) return std::nullopt;
    return Little32(bytes, kBusTypeOffset);
}

std::optional<std::int16_t> CompositeTemperature(std::span<const std::uint8_t> temperatureDescriptor) {
    const auto bytes = Covered(temperatureDescriptor);
    if (bytes.size() < kFirstInfoOffset) return std::nullopt;
    const std::size_t whole = (bytes.size() - kFirstInfoOffset) / kInfoSize;
    const std::size_t count = std::min<std::size_t>(Little16(bytes, kInfoCountOffset), whole);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kFirstInfoOffset + i * kInfoSize;
        if (Little16(bytes, at) == 0) return static_cast<std::int16_t>(Little16(bytes, at + kInfoTemperatureOffset));
    }
    return std::nullopt;
}

TemperatureLimits DriveTemperatureLimits(std::span<const std::uint8_t> temperatureDescriptor) {
    const auto bytes = Covered(temperatureDescriptor);
    const auto limit = [&](std::size_t at) -> std::optional<double> {
        if (bytes.size() < at + 2) return std::nullopt;
        return DeclaredLimit(static_cast<std::int16_t>(Little16(bytes, at)));
    };
    return {limit(kWarningOffset), limit(kCriticalOffset)};
}

}  // namespace veltar
