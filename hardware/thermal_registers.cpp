#include "hardware/thermal_registers.h"

#include <algorithm>

namespace veltar::hardware {

std::int64_t RoundThousandths(std::int64_t value) {
    return value >= 0 ? (value + 500) / 1000 : -((-value + 500) / 1000);
}

std::uint32_t TargetRegister(std::int64_t celsius) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(celsius, 0, 0xFF)) << 16;
}

std::uint32_t ThermStatusRegister(std::int64_t readout) {
    return kReadingValid | static_cast<std::uint32_t>(std::clamp<std::int64_t>(readout, 0, 0x7F)) << 16;
}

std::int64_t TctlThousandths(std::uint32_t smn) {
    const std::int64_t eighths = (smn >> 21) & 0x7FF;
    const bool rangeSelect = (smn >> 19) & 1;
    const bool tjSelect = ((smn >> 16) & 3) == 3;
    return eighths * 125 - (rangeSelect || tjSelect ? 49000 : 0);
}

}  // namespace veltar::hardware
