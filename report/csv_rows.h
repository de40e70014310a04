// Temperatures as rows for a spreadsheet: "time,sensor,index,celsius", one row
// a reading, Windows' line ends.
#pragma once

#include <string>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

// A local time of day with its offset from UTC.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0;
};

// ISO 8601 with the offset: "2026-12-08T14:03:05+08:00".
std::u16string IsoTime(const LocalTime& time);

std::u16string CsvHeader();
// One row a reading, each with the same time.
std::u16string CsvRows(const std::vector<TemperatureReading>& readings, const LocalTime& time);

}  // namespace veltar
