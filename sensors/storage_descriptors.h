// What a drive's storage driver answers to IOCTL_STORAGE_QUERY_PROPERTY, read
// from the bytes it returned: the bus of STORAGE_DEVICE_DESCRIPTOR and the
// composite temperature of STORAGE_TEMPERATURE_DATA_DESCRIPTOR. Every field is
// read only where both the returned length and the descriptor's Size hold it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sensors/temperature_limits.h"

namespace veltar {

inline constexpr std::uint32_t kStorageDeviceProperty = 0;
inline constexpr std::uint32_t kStorageDeviceTemperatureProperty = 52;
inline constexpr std::uint32_t kBusTypeNvme = 0x11;

// The descriptor's BusType; nothing when the bytes do not hold it.
std::optional<std::uint32_t> BusType(std::span<const std::uint8_t> deviceDescriptor);

// The temperature, in whole °C, of the entry with Index 0 (the composite);
// nothing when there is no such whole entry.
std::optional<std::int16_t> CompositeTemperature(std::span<const std::uint8_t> temperatureDescriptor);

// The limits the drive declares in the same descriptor: WarningTemperature and
// CriticalTemperature, in whole °C; none where not covered or not reported.
TemperatureLimits DriveTemperatureLimits(std::span<const std::uint8_t> temperatureDescriptor);

}  // namespace veltar
