#include "viewer/history_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "base/text_format.h"
#include "chrome/display_scale.h"
#include "history/civil_date.h"
#include "viewer/plot_trace.h"

namespace veltar {
namespace {

constexpr SpanInfo kSpans[] = {
    {HistorySpan::TenMinutes, u"10m", u"last 10 minutes", 10 * kMinuteMs, false},
    {HistorySpan::Hour, u"1h", u"last hour", 60 * kMinuteMs, false},
    {HistorySpan::Day, u"24h", u"last 24 hours", 24 * 60 * kMinuteMs, false},
    {HistorySpan::Week, u"7d", u"last 7 days", 7 * 24 * 60 * kMinuteMs, true},
    {HistorySpan::Month, u"30d", u"last 30 days", 30 * 24 * 60 * kMinuteMs, true},
};

// "tab10": the colours of the readings of a pane, in their order.
constexpr Rgb kPalette[] = {{0x1f, 0x77, 0xb4}, {0xff, 0x7f, 0x0e}, {0x2c, 0xa0, 0x2c}, {0xd6, 0x27, 0x28},
                            {0x94, 0x67, 0xbd}, {0x8c, 0x56, 0x4b}, {0xe3, 0x77, 0xc2}, {0x7f, 0x7f, 0x7f},
                            {0xbc, 0xbd, 0x22}, {0x17, 0xbe, 0xcf}};
constexpr std::size_t kMostLines = std::size(kPalette);
constexpr Rgb kText{0x20, 0x20, 0x20};
constexpr Rgb kAxisText{0x60, 0x60, 0x60};

// Sizes at 96 DPI.
constexpr int kMargin = 8;
constexpr int kTitleHeight = 24;
constexpr int kTimeAxisHeight = 20;
constexpr int kValueAxisWidth = 44;
constexpr int kLegendWidth = 300;
constexpr int kLegendGap = 12;
constexpr int kPaneGap = 16;
constexpr int kLineHeight = 14;
constexpr int kLegendLabelWidth = 120;
constexpr int kLegendNumberWidth = 42;
constexpr int kSwatch = 10;
constexpr int kTimeLabelWidth = 84;
constexpr int kValueTickHeight = 24;

constexpr double kLowestPlausible = 1;
constexpr double kHighestPlausible = 150;
constexpr double kNarrowestAxis = 10;
constexpr std::int64_t kDayMs = 24 * 60 * kMinuteMs;


struct Axis {
    double lowest, highest;
    int step;
};

Axis ValueAxis(double low, double high, int plotHeight, unsigned dpi) {
    if (!(low <= high)) low = 20, high = 60;
    if (high - low < kNarrowestAxis) {
        const double middle = (low + high) / 2;
        low = middle - kNarrowestAxis / 2;
        high = middle + kNarrowestAxis / 2;
    }
    const int most = std::max(2, plotHeight / ScaledPixels(kValueTickHeight, dpi));
    for (const int step : {1, 2, 5, 10, 20, 25, 50, 100}) {
        const double lowest = std::floor(low / step) * step;
        const double highest = std::ceil(high / step) * step;
        if ((highest - lowest) / step <= most || step == 100) return {lowest, highest, step};
    }
    return {low, high, 100};
}


// The reading's label as the window writes it: "GPU1-温度".
std::u16string ShortLabel(const SeriesKey& key) {
    const std::u16string line = FormatLine({key.kind, key.number, 0, {}});
    return line.substr(0, line.find(u": "));
}

std::u16string Number(double celsius) {
    if (!std::isfinite(celsius)) return u"–";
    std::u16string text;
    AppendFormatted(text, u"%.1f", celsius);
    return text;
}


struct TimeTicks {
    std::int64_t stepMs;
    bool dates;
};

TimeTicks TimeStep(std::int64_t spanMs, int plotWidth, unsigned dpi) {
    constexpr std::int64_t kSteps[] = {kMinuteMs,      2 * kMinuteMs,  5 * kMinuteMs,  10 * kMinuteMs,
                                       15 * kMinuteMs, 30 * kMinuteMs, 60 * kMinuteMs, 120 * kMinuteMs,
                                       180 * kMinuteMs, 360 * kMinuteMs, 720 * kMinuteMs, kDayMs,
                                       2 * kDayMs,     5 * kDayMs,     7 * kDayMs,     10 * kDayMs};
    const std::int64_t most = std::max(1, plotWidth / ScaledPixels(kTimeLabelWidth, dpi));
    for (const std::int64_t step : kSteps)
        if (spanMs / step <= most) return {step, step >= kDayMs};
    return {10 * kDayMs, true};
}

}  // namespace

const SpanInfo& InfoOf(HistorySpan span) { return kSpans[static_cast<std::size_t>(span)]; }

std::optional<HistorySpan> SpanNamed(std::u16string_view option) {
    for (const SpanInfo& info : kSpans)
        if (option == info.option) return info.span;
    return std::nullopt;
}

Rgb PaletteColor(std::size_t index) { return kPalette[index % kMostLines]; }

Rgb LightTint(Rgb color) {
    const auto tint = [](std::uint8_t c) { return static_cast<std::uint8_t>(255 - (255 - c) / 4); };
    return {tint(color.r), tint(color.g), tint(color.b)};
}

std::u16string HistoryTitle(HistorySpan span) { return std::u16string(u"Veltar history — ") + InfoOf(span).title; }

bool Plausible(double celsius) { return celsius >= kLowestPlausible && celsius <= kHighestPlausible; }

std::u16string ClockText(std::int64_t localMs, bool withDate) {
    const std::int64_t days = localMs >= 0 ? localMs / kDayMs : (localMs - kDayMs + 1) / kDayMs;
    const std::int64_t inDay = localMs - days * kDayMs;
    const CivilDate date = CivilDateOf(days);
    const int hour = static_cast<int>(inDay / 3'600'000);
    const int minute = static_cast<int>(inDay / kMinuteMs % 60);
    std::u16string text;
    if (withDate) AppendFormatted(text, u"%02d-%02d %02d:%02d", date.month, date.day, hour, minute);
    else AppendFormatted(text, u"%02d:%02d", hour, minute);
    return text;
}

Picture DrawHistory(const HistoryTable& table, HistorySpan span, std::int64_t nowMs, int width, int height,
                    unsigned dpi, const LocalClock& localClock) {
    const SpanInfo& info = InfoOf(span);
    const HistoryTier& tier = info.minutes ? table.Minutes() : table.Refreshes();
    const auto px = [dpi](int value) { return ScaledPixels(value, dpi); };
    Picture picture{width, height, dpi, HistoryTitle(span), nowMs - info.ms, nowMs, {}, {}};
    picture.labels.push_back({{px(kMargin), px(kMargin / 2)}, Anchor::Left, picture.title, kText});

    // The kinds that have a value in the span, each with its readings.
    std::vector<std::pair<SensorKind, std::vector<std::size_t>>> kinds;
    for (std::size_t index = 0; index < tier.series.size(); ++index) {
        const HistorySeries& series = tier.series[index];
        if (!HasValueIn(tier, series, picture.fromMs, picture.toMs)) continue;
        if (kinds.empty() || kinds.back().first != series.key.kind) kinds.push_back({series.key.kind, {}});
        kinds.back().second.push_back(index);
    }
    const Rect area{px(kMargin) + px(kValueAxisWidth), px(kTitleHeight),
                   width - px(kMargin) - px(kLegendWidth) - px(kLegendGap), height - px(kTimeAxisHeight)};
    if (kinds.empty()) {
        picture.labels.push_back({{width / 2, height / 2 - px(kLineHeight) / 2}, Anchor::Center,
                                  u"Nothing was recorded in this span.", kAxisText});
        return picture;
    }
    const int panes = static_cast<int>(kinds.size());
    const int paneHeight = (area.bottom - area.top - (panes - 1) * px(kPaneGap)) / panes;
    const TimeTicks ticks = TimeStep(info.ms, area.right - area.left, dpi);
    const std::int64_t offset = localClock(picture.fromMs) - picture.fromMs;
    std::vector<int> gridX;
    const std::int64_t firstLocal = (picture.fromMs + offset + ticks.stepMs - 1) / ticks.stepMs * ticks.stepMs;
    for (std::int64_t local = firstLocal; local - offset <= picture.toMs; local += ticks.stepMs) {
        const int x = area.left + static_cast<int>(static_cast<double>(local - offset - picture.fromMs) *
                                                   (area.right - area.left) / info.ms);
        gridX.push_back(x);
        const std::u16string clock = ClockText(local, ticks.dates);
        picture.labels.push_back({{x, area.bottom + px(3)}, Anchor::Center,
                                  ticks.dates ? clock.substr(0, 5) : clock, kAxisText});
    }

    for (int p = 0; p < panes; ++p) {
        const auto& [kind, members] = kinds[static_cast<std::size_t>(p)];
        Pane pane;
        pane.kind = kind;
        pane.plot = {area.left, area.top + p * (paneHeight + px(kPaneGap)), area.right,
                     area.top + p * (paneHeight + px(kPaneGap)) + paneHeight};
        pane.gridX = gridX;
        pane.band = members.size() > kMostLines;
        std::vector<std::pair<Track, Rgb>> tracks;
        std::vector<std::u16string> names;
        OwnTrack hottest;
        if (pane.band) {
            hottest = Hottest(tier, members, picture.fromMs);
            tracks.push_back({hottest.View(), PaletteColor(0)});
            names.push_back(ShortLabel(tier.series[members.front()].key) + u" … " +
                            ShortLabel(tier.series[members.back()].key));
        } else {
            for (std::size_t i = 0; i < members.size(); ++i) {
                tracks.push_back({TrackOf(tier, members[i]), PaletteColor(i)});
                names.push_back(ShortLabel(tier.series[members[i]].key));
            }
        }
        for (std::size_t i = 0; i < members.size(); ++i)
            pane.series.push_back({pane.band ? PaletteColor(0) : PaletteColor(i), members[i]});

        // The axis spans every value shown and every limit.
        double low = INFINITY, high = -INFINITY;
        std::vector<Stats> stats;
        for (const auto& [track, color] : tracks) {
            stats.push_back(StatsOf(tier, track, picture.fromMs, picture.toMs));
            if (std::isfinite(stats.back().minimum)) low = std::min(low, stats.back().minimum);
            if (std::isfinite(stats.back().maximum)) high = std::max(high, stats.back().maximum);
        }
        std::vector<std::tuple<Rgb, double, bool>> limits;
        for (const auto& [color, index] : pane.series) {
            const TemperatureLimits& declared = tier.series[index].limits;
            for (const auto& [limit, critical] : {std::pair{declared.warning, false}, {declared.critical, true}}) {
                if (!limit) continue;
                const std::tuple<Rgb, double, bool> mark{color, *limit, critical};
                if (std::find(limits.begin(), limits.end(), mark) != limits.end()) continue;
                limits.push_back(mark);
                low = std::min(low, *limit);
                high = std::max(high, *limit);
            }
        }
        const Axis axis = ValueAxis(low, high, paneHeight, dpi);
        pane.lowest = axis.lowest;
        pane.highest = axis.highest;
        for (double v = axis.lowest; v <= axis.highest + 0.001; v += axis.step) {
            const int y = YOf(pane.plot, pane.lowest, pane.highest, v);
            pane.gridY.push_back(y);
            std::u16string text;
            AppendFormatted(text, u"%d°C", static_cast<int>(v));
            pane.labels.push_back({{pane.plot.left - px(4), y - px(kLineHeight) / 2}, Anchor::Right, text, kAxisText});
        }
        // Each limit's name above its line, or below it where the pane's top or the name above leaves no room.
        std::sort(limits.begin(), limits.end(), [](const auto& a, const auto& b) { return std::get<1>(a) > std::get<1>(b); });
        int lowestName = pane.plot.top;
        for (std::size_t i = 0; i < limits.size(); ++i) {
            const auto& [color, celsius, critical] = limits[i];
            const int y = YOf(pane.plot, pane.lowest, pane.highest, celsius);
            pane.limits.push_back({color, y, critical});
            // Readings that declare the same limit share its name.
            if (i > 0 && std::get<1>(limits[i - 1]) == celsius && std::get<2>(limits[i - 1]) == critical) continue;
            const int above = y - px(kLineHeight) - px(1);
            const int top = above >= lowestName ? above : std::max(y + px(2), lowestName);
            lowestName = top + px(kLineHeight);
            pane.labels.push_back({{pane.plot.right - px(3), top}, Anchor::Right, critical ? u"critical" : u"warning", color});
        }
        for (const auto& [track, color] : tracks)
            pane.traces.push_back(
                TraceOf(Columns(tier, track, picture.fromMs, picture.toMs, pane.plot, GapMs(info)), color, pane));

        // The legend: now, minimum, mean and maximum over the span.
        const int legendX = pane.plot.right + px(kLegendGap);
        const int numbersX = legendX + px(kSwatch) + px(4) + px(kLegendLabelWidth);
        int y = pane.plot.top;
        for (int column = 0; column < 4; ++column) {
            constexpr const char16_t* kHeads[] = {u"now", u"min", u"mean", u"max"};
            pane.labels.push_back({{numbersX + (column + 1) * px(kLegendNumberWidth), y}, Anchor::Right,
                                   kHeads[column], kAxisText});
        }
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            y += px(kLineHeight);
            if (y + px(kLineHeight) > pane.plot.bottom + px(kPaneGap) / 2) break;
            const Rgb color = tracks[i].second;
            const int swatchTop = y + (px(kLineHeight) - px(kSwatch)) / 2;
            pane.swatches.push_back({color, {legendX, swatchTop, legendX + px(kSwatch), swatchTop + px(kSwatch)}});
            pane.labels.push_back({{legendX + px(kSwatch) + px(4), y}, Anchor::Left, names[i], kText});
            const Stats& s = stats[i];
            const double values[] = {s.now, s.minimum, s.mean, s.maximum};
            for (int column = 0; column < 4; ++column)
                pane.labels.push_back({{numbersX + (column + 1) * px(kLegendNumberWidth), y}, Anchor::Right,
                                       Number(values[column]), kText});
        }
        picture.panes.push_back(std::move(pane));
    }
    return picture;
}

std::optional<PointerReading> ReadAtPointer(const Picture& picture, const HistoryTable& table, HistorySpan span, int x,
                                            int y, const LocalClock& localClock) {
    const SpanInfo& info = InfoOf(span);
    const HistoryTier& tier = info.minutes ? table.Minutes() : table.Refreshes();
    for (std::size_t p = 0; p < picture.panes.size(); ++p) {
        const Pane& pane = picture.panes[p];
        if (x < pane.plot.left || x >= pane.plot.right || y < pane.plot.top || y >= pane.plot.bottom) continue;
        const std::int64_t t =
            picture.fromMs + static_cast<std::int64_t>(static_cast<double>(x - pane.plot.left) * info.ms /
                                                       (pane.plot.right - pane.plot.left));
        // The last row recorded at or before that moment, when it is near enough to be its value.
        std::optional<std::size_t> row;
        for (std::size_t r = tier.times.size(); r-- > 0;)
            if (tier.times[r] <= t) {
                if (t - tier.times[r] <= GapMs(info)) row = r;
                break;
            }
        PointerReading reading{x, p, {}};
        std::u16string time = ClockText(localClock(t), info.minutes);
        if (!info.minutes) AppendFormatted(time, u":%02d", static_cast<int>((localClock(t) / 1000 % 60 + 60) % 60));
        reading.lines.push_back({kText, time});
        for (const auto& [color, index] : pane.series) {
            const HistorySeries& series = tier.series[index];
            const double v = row ? Value(series.values, *row) : NAN;
            reading.lines.push_back({color, ShortLabel(series.key) + u"  " + (Plausible(v) ? Number(v) : u"–")});
        }
        return reading;
    }
    return std::nullopt;
}

}  // namespace veltar
