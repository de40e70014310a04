#include "viewer/history_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltar {
namespace {

constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
// Rows are let go in batches, once this many are older than what is kept.
constexpr std::size_t kTrimBatch = 4096;

HistorySeries& SeriesFor(HistoryTier& tier, const SeriesKey& key) {
    auto it = std::lower_bound(tier.series.begin(), tier.series.end(), key,
                               [](const HistorySeries& s, const SeriesKey& k) { return s.key < k; });
    if (it != tier.series.end() && it->key == key) return *it;
    HistorySeries series{key, std::vector<float>(tier.times.size(), kMissing), {}, {}, {}};
    if (tier.ranges) series.lows = series.highs = series.values;
    return *tier.series.insert(it, std::move(series));
}

// Lets go of the rows older than the newest less what the file keeps.
void Trim(HistoryTier& tier, std::int64_t keptMs) {
    const std::int64_t oldest = tier.times.back() - keptMs;
    const auto first = std::find_if(tier.times.begin(), tier.times.end(), [&](std::int64_t t) { return t >= oldest; });
    const auto drop = static_cast<std::size_t>(first - tier.times.begin());
    if (drop < kTrimBatch) return;
    const auto erase = [drop](auto& column) {
        if (!column.empty()) column.erase(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(drop));
    };
    erase(tier.times);
    for (HistorySeries& series : tier.series) {
        erase(series.values);
        erase(series.lows);
        erase(series.highs);
    }
}

// Appends a row: each reading's values where the record has it, NaN elsewhere.
template <typename Reading, typename Set>
void AddRow(HistoryTier& tier, std::int64_t time, const std::vector<Reading>& readings, Set set) {
    tier.times.push_back(time);
    for (HistorySeries& series : tier.series) {
        series.values.push_back(kMissing);
        if (tier.ranges) {
            series.lows.push_back(kMissing);
            series.highs.push_back(kMissing);
        }
    }
    for (const Reading& reading : readings) {
        HistorySeries& series = SeriesFor(tier, {reading.kind, reading.number});
        set(series, reading);
        series.limits = reading.limits;
    }
}

}  // namespace

void HistoryTable::Reset() {
    m_refreshes = {};
    m_minutes = {{}, {}, true};
}

void HistoryTable::Refresh(const RefreshRecord& record) {
    AddRow(m_refreshes, record.timeMs, record.readings, [](HistorySeries& series, const TemperatureReading& reading) {
        series.values.back() = static_cast<float>(reading.celsius);
    });
    Trim(m_refreshes, static_cast<std::int64_t>(kRefreshesKept) * kRefreshMs + kMinuteMs);
}

void HistoryTable::Minute(const MinuteRecord& record) {
    AddRow(m_minutes, record.minuteMs, record.readings, [](HistorySeries& series, const MinuteReading& reading) {
        series.values.back() = static_cast<float>(reading.mean);
        series.lows.back() = static_cast<float>(reading.minimum);
        series.highs.back() = static_cast<float>(reading.maximum);
    });
    Trim(m_minutes, static_cast<std::int64_t>(kMinutesKept + 1) * kMinuteMs);
}

}  // namespace veltar
