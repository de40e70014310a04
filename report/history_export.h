// The recorded readings of a span, oldest first, as CSV rows or as the report's
// lines under a time line: every refresh the history still holds, and before
// those one row a minute with the minute's mean.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/history_reader.h"
#include "report/csv_rows.h"

namespace veltar {

class HistoryExport : public HistorySink {
public:
    using LocalTimeOf = std::function<LocalTime(std::int64_t utcMs)>;
    // Takes each piece of text as it is made; false stops the export.
    using Write = std::function<bool(const std::u16string&)>;

    HistoryExport(bool csv, std::int64_t fromMs, std::vector<SensorKind> sensors, LocalTimeOf localTime, Write write);

    void Reset() override;
    void Refresh(const RefreshRecord& record) override;
    void Minute(const MinuteRecord& record) override;
    // Writes what is left; false when any piece could not be written.
    bool Finish();

private:
    void Emit(std::int64_t timeMs, const std::vector<TemperatureReading>& readings);
    void WriteMinutesBefore(std::int64_t timeMs);

    bool m_csv;
    std::int64_t m_from;
    std::vector<SensorKind> m_sensors;
    LocalTimeOf m_localTime;
    Write m_write;
    std::u16string m_text;
    bool m_written = true;
    // The minutes of the span, kept until the first refresh says where every refresh begins.
    std::vector<MinuteRecord> m_minutes;
    bool m_refreshesBegun = false;
};

}  // namespace veltar
