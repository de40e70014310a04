// The two thermal registers as the report reads them, and how a processor
// without them (AMD) serves the same two fields from its control temperature.
#pragma once

#include <cstdint>
#include <optional>

namespace veltar::hardware {

inline constexpr std::uint32_t kTemperatureTarget = 0x1A2;  // IA32_TEMPERATURE_TARGET
inline constexpr std::uint32_t kThermStatus = 0x19C;        // IA32_THERM_STATUS
inline constexpr std::uint32_t kReadingValid = 0x80000000u;

// The target temperature an AMD processor is served with, in °C.
inline constexpr std::int64_t kAmdTarget = 100;
// Where an AMD processor of family 17h or later keeps its control temperature (Tctl).
inline constexpr std::uint32_t kTctlSmnAddress = 0x00059800;

// Thousandths to whole units, the half away from zero.
std::int64_t RoundThousandths(std::int64_t value);

// IA32_TEMPERATURE_TARGET's low half: the target in bits 23:16, held to 0..255.
std::uint32_t TargetRegister(std::int64_t celsius);

// IA32_THERM_STATUS's low half: the valid bit and, in bits 22:16, the readout
// in degrees below the target, held to 0..127.
std::uint32_t ThermStatusRegister(std::int64_t readout);

// Tctl in thousandths of a degree from its SMN register: bits 31:21 in eighths
// of a degree, 49 degrees lower in the range that bit 19, or bits 17:16 both
// set, select.
std::int64_t TctlThousandths(std::uint32_t smn);

// A register's low half on an AMD processor: the target of 100 °C, or the
// readout from the die temperature, Tctl less the model's offset in °C, read
// through readSmn (which gives nothing when it fails). Nothing for any other register.
template <typename ReadSmn>
std::optional<std::uint32_t> AmdRegister(std::uint32_t index, std::int64_t tctlOffset, ReadSmn readSmn) {
    if (index == kTemperatureTarget) return TargetRegister(kAmdTarget);
    if (index != kThermStatus) return std::nullopt;
    const std::optional<std::uint32_t> smn = readSmn(kTctlSmnAddress);
    if (!smn) return std::nullopt;
    const std::int64_t dieThousandths = TctlThousandths(*smn) - tctlOffset * 1000;
    return ThermStatusRegister(RoundThousandths(kAmdTarget * 1000 - dieThousandths));
}

}  // namespace veltar::hardware
