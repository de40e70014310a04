// When to speak up about a critical temperature: once for each crossing of a
// reading into its critical state, and again only after it has fallen 5 °C
// below its critical limit and risen once more; at most one balloon a refresh.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

struct Balloon {
    std::u16string title;
    std::u16string text;
    bool operator==(const Balloon&) const = default;
};

// How far below its critical limit a reading must fall before it may raise a balloon again.
inline constexpr double kRearmBelowCritical = 5;

class CriticalAlerts {
public:
    // The balloon for this refresh's readings, if one has entered its critical
    // state: the hottest of those, the title saying how many there are.
    std::optional<Balloon> Update(const std::vector<TemperatureReading>& readings);

private:
    // The readings, by kind and number, that have had their balloon and not yet fallen far enough.
    std::set<std::pair<SensorKind, std::uint32_t>> m_spoken;
};

}  // namespace veltar
