#include "sensors/prometheus_text.h"

#include <optional>

#include "base/text_format.h"

namespace veltar {
namespace {

// One gauge family: its HELP and TYPE, then a sample for each reading that has
// a value for it, labelled as the temperature samples are. A family that is
// not always written is left out whole when it has no sample.
template <typename Value>
void AppendFamily(std::u16string& text, const std::vector<TemperatureReading>& readings, const char16_t* name,
                  const char16_t* help, Value value, bool always = false) {
    bool started = false;
    if (always) {
        AppendFormatted(text, u"# HELP %s %s\n# TYPE %s gauge\n", name, help, name);
        started = true;
    }
    for (const TemperatureReading& reading : readings) {
        const std::optional<double> sample = value(reading);
        if (!sample) continue;
        if (!started) AppendFormatted(text, u"# HELP %s %s\n# TYPE %s gauge\n", name, help, name);
        started = true;
        AppendFormatted(text, u"%s{sensor=\"%s\",index=\"%u\"} %.2f\n", name, SensorName(reading.kind),
                        reading.number, *sample);
    }
}

}  // namespace

std::u16string FormatPrometheus(const std::vector<TemperatureReading>& readings) {
    std::u16string text;
    AppendFamily(text, readings, u"veltar_temperature_celsius",
                 u"Temperature of a sensor of this computer, in degrees Celsius.",
                 [](const TemperatureReading& r) { return std::optional<double>(r.celsius); }, true);
    AppendFamily(text, readings, u"veltar_temperature_warning_celsius",
                 u"Temperature at which the sensor's part starts to throttle, as its hardware declares it, in "
                 u"degrees Celsius.",
                 [](const TemperatureReading& r) { return r.limits.warning; });
    AppendFamily(text, readings, u"veltar_temperature_critical_celsius",
                 u"Temperature at which damage or shutdown begins for the sensor's part, as its hardware declares "
                 u"it, in degrees Celsius.",
                 [](const TemperatureReading& r) { return r.limits.critical; });
    return text;
}

std::u16string FormatRoundGauges(bool readHardware, std::int64_t utcMs) {
    std::u16string text;
    AppendFormatted(text,
                    u"# HELP veltar_scrape_success Whether the last round could read this computer's hardware (1) or "
                    u"not (0).\n# TYPE veltar_scrape_success gauge\nveltar_scrape_success %d\n",
                    readHardware ? 1 : 0);
    AppendFormatted(text,
                    u"# HELP veltar_last_round_timestamp_seconds When the last round ran, in seconds since 1970 "
                    u"(UTC).\n# TYPE veltar_last_round_timestamp_seconds gauge\n"
                    u"veltar_last_round_timestamp_seconds %lld.%03d\n",
                    static_cast<long long>(utcMs / 1000), static_cast<int>(utcMs % 1000));
    return text;
}

}  // namespace veltar
