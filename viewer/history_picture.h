// The history as a picture, free of any drawing call: one pane per kind of part
// in the report's order, each with its own temperature axis, its lines, bands,
// declared limits and legend; local clock times along the bottom. The viewer
// draws it with GDI, on the screen and into PNG files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chrome/geometry.h"
#include "viewer/history_table.h"

namespace veltar {

enum class HistorySpan { TenMinutes, Hour, Day, Week, Month };

struct SpanInfo {
    HistorySpan span;
    const char16_t* option;  // "1h", as --span takes it
    const char16_t* title;   // "last hour", as the window's title says it
    std::int64_t ms;
    bool minutes;            // drawn from the minute ring
};
const SpanInfo& InfoOf(HistorySpan span);
std::optional<HistorySpan> SpanNamed(std::u16string_view option);

// UTC milliseconds since 1970 to the local clock's, for the same moment.
using LocalClock = std::function<std::int64_t(std::int64_t utcMs)>;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class Anchor { Left, Right, Center };
struct Label {
    Point at;  // the text's top, at its left edge, right edge or centre
    Anchor anchor = Anchor::Left;
    std::u16string text;
    Rgb color;
};

struct Trace {
    Rgb color;
    std::vector<std::vector<Point>> lines;  // each drawn unbroken; a gap between two
    std::vector<std::vector<Point>> bands;  // closed outlines, filled in a light tint of the colour
};

struct LimitMark {
    Rgb color;
    int y = 0;
    bool critical = false;
};

struct Pane {
    SensorKind kind = SensorKind::Mainboard;
    Rect plot;
    double lowest = 0, highest = 0;  // the axis, in °C, bottom to top
    std::vector<int> gridX, gridY;
    std::vector<Trace> traces;
    std::vector<LimitMark> limits;
    std::vector<Label> labels;  // the axis' values, the limits' names, the legend
    std::vector<std::pair<Rgb, Rect>> swatches;
    // The readings drawn, each with its colour, for the pointer's line.
    std::vector<std::pair<Rgb, std::size_t>> series;
    bool band = false;  // more readings than colours: the band of all and the hottest
};

struct Picture {
    int width = 0, height = 0;
    unsigned dpi = 96;
    std::u16string title;
    std::int64_t fromMs = 0, toMs = 0;
    std::vector<Pane> panes;
    std::vector<Label> labels;  // the title, the clock times, or why nothing is shown
};

// The colours of the readings of a pane, in their order, then again.
Rgb PaletteColor(std::size_t index);
// The colour laid over white at a quarter of its strength.
Rgb LightTint(Rgb color);

// The window's title and the picture's: "Veltar history — last hour".
std::u16string HistoryTitle(HistorySpan span);

// A value is shown between 1 and 150 °C; outside, as the 0 of a disk that
// reported nothing, it is a gap.
bool Plausible(double celsius);

Picture DrawHistory(const HistoryTable& table, HistorySpan span, std::int64_t nowMs, int width, int height,
                    unsigned dpi, const LocalClock& localClock);

// What the pointer's line at x reads: the moment and each reading's value there;
// nothing when x is over no pane's plot.
struct PointerReading {
    int x = 0;
    std::size_t pane = 0;
    std::vector<std::pair<Rgb, std::u16string>> lines;  // the time first, then one a reading
};
std::optional<PointerReading> ReadAtPointer(const Picture& picture, const HistoryTable& table, HistorySpan span, int x,
                                            int y, const LocalClock& localClock);

// "14:05" or, for spans of days, "12-08 14:05".
std::u16string ClockText(std::int64_t localMs, bool withDate);

}  // namespace veltar
