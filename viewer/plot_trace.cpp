#include "viewer/plot_trace.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltar {

std::size_t FirstRow(const HistoryTier& tier, std::int64_t from) {
    std::size_t row = tier.times.size();
    while (row > 0 && tier.times[row - 1] >= from) --row;
    return row;
}

double Value(std::span<const float> column, std::size_t row) {
    return row < column.size() ? column[row] : std::numeric_limits<double>::quiet_NaN();
}

std::int64_t GapMs(const SpanInfo& info) { return (info.minutes ? kMinuteMs : kRefreshMs) * 7 / 2; }

std::vector<Column> Columns(const HistoryTier& tier, const Track& track, std::int64_t from, std::int64_t to,
                            const Rect& plot, std::int64_t gapMs) {
    std::vector<Column> columns;
    const double width = plot.right - plot.left;
    bool penDown = false;
    std::int64_t previous = 0;
    for (std::size_t row = FirstRow(tier, from); row < tier.times.size(); ++row) {
        const std::int64_t t = tier.times[row];
        const double v = Value(track.values, row);
        if (t < from || t > to || !Plausible(v) || (penDown && (t - previous > gapMs || t < previous))) {
            penDown = false;
            if (t < from || t > to || !Plausible(v)) continue;
        }
        const int x = plot.left + static_cast<int>(std::floor(static_cast<double>(t - from) * width / (to - from)));
        const double low = Value(track.lows, row);
        const double high = Value(track.highs, row);
        const bool banded = Plausible(low) && Plausible(high);
        if (penDown && columns.back().x == x) {
            Column& c = columns.back();
            c.last = v;
            c.low = std::min(c.low, v);
            c.high = std::max(c.high, v);
            if (banded) {
                c.bandLow = c.banded ? std::min(c.bandLow, low) : low;
                c.bandHigh = c.banded ? std::max(c.bandHigh, high) : high;
                c.banded = true;
            }
        } else {
            columns.push_back({std::min(x, plot.right - 1), v, v, v, v, low, high, banded, penDown});
        }
        penDown = true;
        previous = t;
    }
    return columns;
}

int YOf(const Rect& plot, double lowest, double highest, double celsius) {
    return plot.bottom - static_cast<int>(std::lround((celsius - lowest) / (highest - lowest) * (plot.bottom - plot.top)));
}

Stats StatsOf(const HistoryTier& tier, const Track& track, std::int64_t from, std::int64_t to) {
    Stats stats;
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t row = FirstRow(tier, from); row < tier.times.size(); ++row) {
        const std::int64_t t = tier.times[row];
        const double v = Value(track.values, row);
        if (t < from || t > to || !Plausible(v)) continue;
        const double low = Plausible(Value(track.lows, row)) ? Value(track.lows, row) : v;
        const double high = Plausible(Value(track.highs, row)) ? Value(track.highs, row) : v;
        stats.now = v;
        stats.minimum = count ? std::min(stats.minimum, low) : low;
        stats.maximum = count ? std::max(stats.maximum, high) : high;
        sum += v;
        ++count;
    }
    if (count) stats.mean = sum / count;
    return stats;
}

OwnTrack Hottest(const HistoryTier& tier, const std::vector<std::size_t>& members, std::int64_t from) {
    OwnTrack track;
    const std::size_t rows = tier.times.size();
    track.values.assign(rows, NAN);
    track.lows.assign(rows, NAN);
    track.highs.assign(rows, NAN);
    for (const std::size_t index : members) {
        const HistorySeries& series = tier.series[index];
        for (std::size_t row = FirstRow(tier, from); row < rows; ++row) {
            const double v = series.values[row];
            if (!Plausible(v)) continue;
            const double low = tier.ranges && Plausible(series.lows[row]) ? series.lows[row] : v;
            const double high = tier.ranges && Plausible(series.highs[row]) ? series.highs[row] : v;
            if (!(track.values[row] >= v)) track.values[row] = static_cast<float>(v);
            if (!(track.lows[row] <= low)) track.lows[row] = static_cast<float>(low);
            if (!(track.highs[row] >= high)) track.highs[row] = static_cast<float>(high);
        }
    }
    return track;
}

Track TrackOf(const HistoryTier& tier, std::size_t index) {
    const HistorySeries& series = tier.series[index];
    return {series.values, series.lows, series.highs};
}

bool HasValueIn(const HistoryTier& tier, const HistorySeries& series, std::int64_t from, std::int64_t to) {
    for (std::size_t row = FirstRow(tier, from); row < tier.times.size(); ++row)
        if (tier.times[row] >= from && tier.times[row] <= to && Plausible(series.values[row])) return true;
    return false;
}

Trace TraceOf(const std::vector<Column>& columns, Rgb color, const Pane& pane) {
    Trace trace{color, {}, {}};
    const auto y = [&](double celsius) { return YOf(pane.plot, pane.lowest, pane.highest, celsius); };
    const auto add = [](std::vector<Point>& line, Point p) {
        if (line.empty() || line.back() != p) line.push_back(p);
    };
    std::vector<Point> upper, lower;
    const auto closeBand = [&] {
        if (upper.empty()) return;
        if (upper.size() == 1) {
            upper.push_back({upper.front().x + 1, upper.front().y});
            lower.push_back({lower.front().x + 1, lower.front().y});
        }
        std::vector<Point> outline = upper;
        outline.insert(outline.end(), lower.rbegin(), lower.rend());
        trace.bands.push_back(std::move(outline));
        upper.clear();
        lower.clear();
    };
    for (const Column& c : columns) {
        if (!c.joined || trace.lines.empty()) trace.lines.emplace_back();
        std::vector<Point>& line = trace.lines.back();
        add(line, {c.x, y(c.first)});
        add(line, {c.x, y(c.low)});
        add(line, {c.x, y(c.high)});
        add(line, {c.x, y(c.last)});
        if (!c.joined || !c.banded) closeBand();
        if (c.banded) {
            upper.push_back({c.x, y(c.bandHigh)});
            lower.push_back({c.x, y(c.bandLow)});
        }
    }
    closeBand();
    for (std::vector<Point>& line : trace.lines)
        if (line.size() == 1) line.push_back({line.front().x + 1, line.front().y});
    return trace;
}

}  // namespace veltar
