// The physical drives among the system's device names.
#pragma once

#include <cstdint>
#include <string_view>

namespace veltar {

// The numbers below 32 of the names "PhysicalDrive<n>" in a list of device
// names, each ended by a null character (as QueryDosDeviceW lists them), as
// bits: bit n for drive n.
std::uint32_t PhysicalDriveBits(std::u16string_view names);

}  // namespace veltar
