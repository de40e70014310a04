// The readings in Prometheus' text exposition format, for monitoring systems
// that collect text files: one gauge, labelled by the kind of sensor and its
// number within that kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

// Lines end with "\n" alone, as the format asks.
std::u16string FormatPrometheus(const std::vector<TemperatureReading>& readings);

// The round's own gauges, which follow its readings: whether it could read the
// hardware (veltar_scrape_success 1, else 0) and when it ran
// (veltar_last_round_timestamp_seconds, since 1970 UTC), so that an alert can
// tell a writer that stopped from a machine that is cool.
std::u16string FormatRoundGauges(bool readHardware, std::int64_t utcMs);

}  // namespace veltar
