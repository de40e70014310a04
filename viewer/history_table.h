// The history as the viewer holds it: each ring's times in one column and each
// reading's values in one more, in the report's order, so that a day of every
// refresh costs a few megabytes. Rows older than the file keeps are let go.
#pragma once

#include <compare>
#include <cstdint>
#include <vector>

#include "history/history_reader.h"

namespace veltar {

struct SeriesKey {
    SensorKind kind = SensorKind::Mainboard;
    std::uint32_t number = 1;
    auto operator<=>(const SeriesKey&) const = default;
};

struct HistorySeries {
    SeriesKey key;
    std::vector<float> values;        // NaN where the reading was not there
    std::vector<float> lows, highs;   // the minute ring's minimum and maximum
    TemperatureLimits limits;         // as last declared
};

struct HistoryTier {
    std::vector<std::int64_t> times;  // UTC milliseconds, in recorded order
    std::vector<HistorySeries> series;
    bool ranges = false;              // lows and highs are kept
};

class HistoryTable : public HistorySink {
public:
    void Reset() override;
    void Refresh(const RefreshRecord& record) override;
    void Minute(const MinuteRecord& record) override;

    const HistoryTier& Refreshes() const { return m_refreshes; }
    const HistoryTier& Minutes() const { return m_minutes; }

private:
    HistoryTier m_refreshes;
    HistoryTier m_minutes{{}, {}, true};
};

}  // namespace veltar
