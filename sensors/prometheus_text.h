// The readings in Prometheus' text exposition format, for monitoring systems
// that collect text files: one gauge, labelled by the kind of sensor and its
// number within that kind.
#pragma once

#include <string>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

// Lines end with "\n" alone, as the format asks.
std::u16string FormatPrometheus(const std::vector<TemperatureReading>& readings);

}  // namespace veltar
