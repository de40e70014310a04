// The limits a part's own hardware declares for its temperature, and the state
// a reading is in against them. The window, the tray and the report tool all
// judge a reading here.
#pragma once

#include <optional>

namespace veltar {

// Where the part starts to throttle (warning) and where damage or shutdown
// begins (critical), in degrees Celsius; none where the hardware declares none.
struct TemperatureLimits {
    std::optional<double> warning;
    std::optional<double> critical;
    bool operator==(const TemperatureLimits&) const = default;
};

// A declared value in degrees Celsius, believed only between 40 and 150 °C:
// 0, the "not reported" values and firmware nonsense declare nothing.
std::optional<double> DeclaredLimit(double celsius);

enum class LimitState { Normal, Warning, Critical };

// Critical at or above the critical limit, else warning at or above the
// warning limit, else normal.
LimitState StateOf(double celsius, const TemperatureLimits& limits);

}  // namespace veltar
