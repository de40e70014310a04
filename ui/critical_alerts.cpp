#include "ui/critical_alerts.h"

#include "base/text_format.h"

namespace veltar {

std::optional<Balloon> CriticalAlerts::Update(const std::vector<TemperatureReading>& readings) {
    std::vector<const TemperatureReading*> crossed;
    for (const TemperatureReading& reading : readings) {
        const auto key = std::pair{reading.kind, reading.number};
        const bool spoken = m_spoken.contains(key);
        if (StateOf(reading) == LimitState::Critical) {
            if (!spoken) crossed.push_back(&reading);
        } else if (spoken &&
                   (!reading.limits.critical || reading.celsius <= *reading.limits.critical - kRearmBelowCritical)) {
            m_spoken.erase(key);
        }
    }
    if (crossed.empty()) return std::nullopt;
    const TemperatureReading* hottest = crossed.front();
    for (const TemperatureReading* reading : crossed) {
        m_spoken.insert({reading->kind, reading->number});
        if (reading->celsius > hottest->celsius) hottest = reading;
    }
    Balloon balloon;
    if (crossed.size() == 1) balloon.title = u"A temperature is critical";
    else AppendFormatted(balloon.title, u"%u temperatures are critical", static_cast<unsigned>(crossed.size()));
    AppendFormatted(balloon.text, u"%s — critical limit %.2f℃", FormatLine(*hottest), *hottest->limits.critical);
    return balloon;
}

}  // namespace veltar
