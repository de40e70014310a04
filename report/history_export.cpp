#include "report/history_export.h"

#include "report/report_options.h"

namespace veltar {
namespace {

// Text is handed on in pieces of about this many characters.
constexpr std::size_t kPiece = 1 << 16;

}  // namespace

HistoryExport::HistoryExport(bool csv, std::int64_t fromMs, std::vector<SensorKind> sensors, LocalTimeOf localTime,
                             Write write)
    : m_csv(csv), m_from(fromMs), m_sensors(std::move(sensors)), m_localTime(std::move(localTime)),
      m_write(std::move(write)) {
    if (m_csv) m_text = CsvHeader();
}

void HistoryExport::Reset() {
    m_minutes.clear();
    m_refreshesBegun = false;
}

void HistoryExport::Emit(std::int64_t timeMs, const std::vector<TemperatureReading>& readings) {
    const std::vector<TemperatureReading> kept = KeepSensors(readings, m_sensors);
    if (m_csv) m_text += CsvRows(kept, m_localTime(timeMs));
    else m_text += IsoTime(m_localTime(timeMs)) + u"\r\n" + FormatReport(kept) + u"\r\n";
    if (m_text.size() >= kPiece) {
        m_written = m_write(m_text) && m_written;
        m_text.clear();
    }
}

void HistoryExport::WriteMinutesBefore(std::int64_t timeMs) {
    for (const MinuteRecord& minute : m_minutes) {
        if (minute.minuteMs >= timeMs) continue;
        std::vector<TemperatureReading> means;
        for (const MinuteReading& reading : minute.readings)
            means.push_back({reading.kind, reading.number, reading.mean, reading.limits});
        Emit(minute.minuteMs, means);
    }
    m_minutes.clear();
}

void HistoryExport::Minute(const MinuteRecord& record) {
    if (!m_refreshesBegun && record.minuteMs >= m_from) m_minutes.push_back(record);
}

void HistoryExport::Refresh(const RefreshRecord& record) {
    if (!m_refreshesBegun) {
        m_refreshesBegun = true;
        WriteMinutesBefore(record.timeMs);
    }
    if (record.timeMs >= m_from) Emit(record.timeMs, record.readings);
}

bool HistoryExport::Finish() {
    WriteMinutesBefore(INT64_MAX);
    if (!m_text.empty()) m_written = m_write(m_text) && m_written;
    m_text.clear();
    return m_written;
}

}  // namespace veltar
