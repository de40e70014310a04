// One reading's line across a pane, column of pixels by column: where more
// samples than pixels fall in a column it keeps their range, so a spike stays;
// a gap breaks the line. The picture's panes are drawn from it.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "viewer/history_picture.h"

namespace veltar {

// One column of pixels of a line: the first and last value that fell in it and
// the range of them all, joined to the column before unless a gap lies between.
struct Column {
    int x = 0;
    double first = 0, last = 0, low = 0, high = 0;
    double bandLow = 0, bandHigh = 0;
    bool banded = false;
    bool joined = false;
};

// The values a trace draws, row by row: the line's, and a band's where it has one.
struct Track {
    std::span<const float> values;
    std::span<const float> lows, highs;
};

// The rows a span can show: those after the last one recorded before it. Times
// go forward but where the clock was set back.
std::size_t FirstRow(const HistoryTier& tier, std::int64_t from);

// A column's value at a row; NaN past its end.
double Value(std::span<const float> column, std::size_t row);

// Samples further apart than this have a gap between them: beyond two missing refreshes, or minutes.
std::int64_t GapMs(const SpanInfo& info);

// The track's columns over the span, in the plot's pixels.
std::vector<Column> Columns(const HistoryTier& tier, const Track& track, std::int64_t from, std::int64_t to,
                            const Rect& plot, std::int64_t gapMs);

// The pixel row of a temperature on an axis from lowest to highest.
int YOf(const Rect& plot, double lowest, double highest, double celsius);

struct Stats {
    double now = NAN, minimum = NAN, mean = NAN, maximum = NAN;
};

// Now, the minimum, the mean and the maximum over the span.
Stats StatsOf(const HistoryTier& tier, const Track& track, std::int64_t from, std::int64_t to);

// The hottest of many readings row by row as the line, from the coolest to the hottest as the band.
struct OwnTrack {
    std::vector<float> values, lows, highs;
    Track View() const { return {values, lows, highs}; }
};

OwnTrack Hottest(const HistoryTier& tier, const std::vector<std::size_t>& members, std::int64_t from);

// One reading's own values.
Track TrackOf(const HistoryTier& tier, std::size_t index);

// True when the reading has a value shown in the span.
bool HasValueIn(const HistoryTier& tier, const HistorySeries& series, std::int64_t from, std::int64_t to);

// The polylines and band outlines of the columns.
Trace TraceOf(const std::vector<Column>& columns, Rgb color, const Pane& pane);

}  // namespace veltar
