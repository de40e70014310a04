#include "report/csv_rows.h"

#include <cstdlib>

#include "base/text_format.h"

namespace veltar {

std::u16string IsoTime(const LocalTime& time) {
    const int offset = std::abs(time.utcOffsetMinutes);
    std::u16string text;
    AppendFormatted(text, u"%04d-%02d-%02dT%02d:%02d:%02d%s%02d:%02d", time.year, time.month, time.day, time.hour,
                    time.minute, time.second, time.utcOffsetMinutes < 0 ? u"-" : u"+", offset / 60, offset % 60);
    return text;
}

std::u16string CsvHeader() { return u"time,sensor,index,celsius\r\n"; }

std::u16string CsvRows(const std::vector<TemperatureReading>& readings, const LocalTime& time) {
    const std::u16string stamp = IsoTime(time);
    std::u16string rows;
    for (const TemperatureReading& reading : readings)
        AppendFormatted(rows, u"%s,%s,%u,%.2f\r\n", stamp, SensorName(reading.kind), reading.number, reading.celsius);
    return rows;
}

}  // namespace veltar
