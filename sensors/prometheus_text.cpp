#include "sensors/prometheus_text.h"

#include "base/text_format.h"

namespace veltar {

std::u16string FormatPrometheus(const std::vector<TemperatureReading>& readings) {
    std::u16string text =
        u"# HELP veltar_temperature_celsius Temperature of a sensor of this computer, in degrees Celsius.\n"
        u"# TYPE veltar_temperature_celsius gauge\n";
    for (const TemperatureReading& reading : readings)
        AppendFormatted(text, u"veltar_temperature_celsius{sensor=\"%s\",index=\"%u\"} %.2f\n",
                        SensorName(reading.kind), reading.number, reading.celsius);
    return text;
}

}  // namespace veltar
