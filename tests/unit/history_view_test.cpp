// What is made of a history: the export's rows, the picture's panes, axes,
// spikes and gaps, the viewer's options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "history/history_writer.h"
#include "history/memory_history_file.h"
#include "report/history_export.h"
#include "viewer/history_options.h"
#include "viewer/history_picture.h"

namespace veltar {
namespace {

constexpr std::int64_t kNow = 1'765'000'800'000;
const LocalClock kEightHoursEast = [](std::int64_t utc) { return utc + 8 * 3'600'000; };

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// A table of the readings given at one-refresh steps, the last at kNow.
HistoryTable TableOf(const std::vector<std::vector<TemperatureReading>>& refreshes, std::int64_t step = kRefreshMs) {
    HistoryTable table;
    for (std::size_t i = 0; i < refreshes.size(); ++i)
        table.Refresh({i + 1, kNow - static_cast<std::int64_t>(refreshes.size() - 1 - i) * step, refreshes[i]});
    return table;
}

std::vector<TemperatureReading> Gpu(double celsius) { return {{SensorKind::Gpu, 1, celsius, {83.0, 93.0}}}; }

// The lowest y any line of the pane reaches: the hottest point drawn.
int Top(const Pane& pane) {
    int top = pane.plot.bottom;
    for (const Trace& trace : pane.traces)
        for (const auto& line : trace.lines)
            for (const Point& p : line) top = std::min(top, p.y);
    return top;
}

TEST(HistoryExport, WritesMinutesBeforeTheRefreshesThenEachRefreshOfTheSpan) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 2, kNow);
    const std::int64_t start = kNow - 3 * kMinuteMs;
    for (int i = 0; i < 3; ++i)
        writer->Record(start + i * kMinuteMs, {{SensorKind::Mainboard, 1, 30.0 + i, {}}, {SensorKind::Gpu, 1, 50, {}}});
    // The refreshes the file still holds begin later than the minutes: as after a day.
    MemoryHistoryFile later;
    later.bytes = file.bytes;
    std::u16string csv, text;
    const auto localTime = [](std::int64_t ms) { return LocalTime{2026, 12, 8, 10, static_cast<int>(ms / kMinuteMs % 60), 0, 60}; };
    HistoryExport rows(true, start - kMinuteMs, {SensorKind::Gpu}, localTime, [&](const std::u16string& t) { csv += t; return true; });
    HistoryReader().Update(later, rows);
    ASSERT_TRUE(rows.Finish());
    EXPECT_EQ(Narrow(csv.substr(0, csv.find(u"\r\n"))), "time,sensor,index,celsius");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), u'\n'), 1 + 3);  // the refreshes; no minute is older than them
    EXPECT_EQ(csv.find(u"mainboard"), std::u16string::npos);
    HistoryExport lines(false, kNow - 90'000, {}, localTime, [&](const std::u16string& t) { text += t; return true; });
    HistoryReader().Update(later, lines);
    lines.Finish();
    EXPECT_NE(text.find(u"+01:00\r\n主板-温度: 32.00℃\r\nGPU1-温度: 50.00℃\r\n"), std::u16string::npos) << Narrow(text);
    EXPECT_EQ(text.find(u"31.00"), std::u16string::npos);

    // Minutes older than every refresh kept come first, as their means.
    std::u16string agedText;
    HistoryExport agedRows(true, 0, {}, localTime, [&](const std::u16string& t) { agedText += t; return true; });
    agedRows.Minute({1, start - 10 * kMinuteMs, {{SensorKind::Mainboard, 1, 20, 25, 30, {}}}});
    agedRows.Refresh({1, start, {{SensorKind::Mainboard, 1, 40, {}}}});
    agedRows.Finish();
    EXPECT_LT(agedText.find(u"25.00"), agedText.find(u"40.00"));
}

TEST(HistoryPicture, APaneEachKindInTheReportsOrderEachAxisSpanningValuesAndLimits) {
    std::vector<std::vector<TemperatureReading>> refreshes;
    for (int i = 0; i < 100; ++i)
        refreshes.push_back({{SensorKind::Mainboard, 1, 40, {}},
                             {SensorKind::Processor, 1, 50, {100.0, std::nullopt}},
                             {SensorKind::Gpu, 1, 60 + i * 0.01, {83.0, 93.0}}});
    const Picture picture = DrawHistory(TableOf(refreshes), HistorySpan::TenMinutes, kNow, 960, 600, 96, kEightHoursEast);
    ASSERT_EQ(picture.panes.size(), 3u);
    EXPECT_EQ(picture.panes[0].kind, SensorKind::Mainboard);
    EXPECT_EQ(picture.panes[2].kind, SensorKind::Gpu);
    EXPECT_GE(picture.panes[0].highest - picture.panes[0].lowest, 10);  // flat data: at least 10 °C
    EXPECT_LE(picture.panes[2].lowest, 60);
    EXPECT_GE(picture.panes[2].highest, 93);
    EXPECT_EQ(picture.panes[2].limits.size(), 2u);
    EXPECT_EQ(picture.panes[2].traces[0].color, (Rgb{0x1f, 0x77, 0xb4}));
    EXPECT_EQ(picture.title, u"Veltar history — last 10 minutes");
    // Local clock times at round minutes along the bottom: kNow is one, at the right edge.
    const std::u16string now = ClockText(kEightHoursEast(kNow), false);
    EXPECT_TRUE(std::any_of(picture.labels.begin(), picture.labels.end(), [&](const Label& l) {
        return l.text == now && l.at.x == picture.panes[0].plot.right;
    })) << Narrow(now);
}

TEST(HistoryPicture, KeepsAOneSampleSpikeAndBreaksTheLineAtEachGap) {
    std::vector<std::vector<TemperatureReading>> refreshes(4800, Gpu(50));  // an hour: more samples than columns
    refreshes[2000] = Gpu(95);
    const Picture spiked = DrawHistory(TableOf(refreshes), HistorySpan::Hour, kNow, 960, 600, 96, kEightHoursEast);
    const Pane& pane = spiked.panes.at(0);
    const int spikeY = pane.plot.bottom - static_cast<int>(std::lround((95 - pane.lowest) / (pane.highest - pane.lowest) *
                                                                       (pane.plot.bottom - pane.plot.top)));
    EXPECT_EQ(Top(pane), spikeY);
    EXPECT_EQ(pane.traces[0].lines.size(), 1u);

    const struct {
        const char* what;
        int missing;   // refreshes missing before the 50th
        double value;  // of the 30th
        std::size_t lines;
    } cases[] = {{"two refreshes missing", 2, 50, 1}, {"three refreshes missing", 3, 50, 2},
                 {"a disk that reported nothing", 0, 0, 2}, {"a value past 150 °C", 0, 510, 2}};
    for (const auto& c : cases) {
        HistoryTable table;
        for (int i = 0; i < 100; ++i) {
            const std::int64_t t = kNow - (100 - i) * kRefreshMs - (i < 50 ? c.missing * kRefreshMs : 0);
            table.Refresh({static_cast<std::uint64_t>(i + 1), t, Gpu(i == 30 ? c.value : 50)});
        }
        const Picture picture = DrawHistory(table, HistorySpan::TenMinutes, kNow, 960, 600, 96, kEightHoursEast);
        EXPECT_EQ(picture.panes.at(0).traces[0].lines.size(), c.lines) << c.what;
        EXPECT_LE(picture.panes[0].highest, 100) << c.what << ": a bad value does not stretch the axis";
    }
}

TEST(HistoryPicture, ManyReadingsAreABandWithTheHottestAndMinutesAMeanInTheirRange) {
    std::vector<TemperatureReading> processors;
    for (std::uint32_t i = 1; i <= 16; ++i) processors.push_back({SensorKind::Processor, i, 40.0 + i, {}});
    const Picture picture =
        DrawHistory(TableOf(std::vector(50, processors)), HistorySpan::TenMinutes, kNow, 960, 600, 96, kEightHoursEast);
    const Pane& pane = picture.panes.at(0);
    EXPECT_TRUE(pane.band);
    ASSERT_EQ(pane.traces.size(), 1u);
    EXPECT_FALSE(pane.traces[0].bands.empty());
    const int hottest = pane.plot.bottom - static_cast<int>(std::lround((56 - pane.lowest) / (pane.highest - pane.lowest) *
                                                                        (pane.plot.bottom - pane.plot.top)));
    EXPECT_EQ(Top(pane), hottest);

    HistoryTable minutes;
    for (int i = 0; i < 60; ++i)
        minutes.Minute({static_cast<std::uint64_t>(i + 1), kNow - (60 - i) * kMinuteMs, {{SensorKind::Gpu, 1, 40, 50, 90, {}}}});
    const Picture week = DrawHistory(minutes, HistorySpan::Week, kNow, 960, 600, 96, kEightHoursEast);
    ASSERT_EQ(week.panes.size(), 1u);
    EXPECT_FALSE(week.panes[0].traces[0].bands.empty());
    EXPECT_GE(week.panes[0].highest, 90);
    const auto pointer = ReadAtPointer(week, minutes, HistorySpan::Week, week.panes[0].plot.right - 1,
                                       week.panes[0].plot.top + 5, kEightHoursEast);
    ASSERT_TRUE(pointer);
    EXPECT_EQ(Narrow(pointer->lines.at(1).second.substr(pointer->lines[1].second.size() - 4)), "50.0");
}

TEST(HistoryOptions, TakesSpansSizesAndFilesAndRefusesTheRest) {
    const struct {
        std::vector<std::u16string_view> arguments;
        bool good;
    } cases[] = {
        {{}, true},
        {{u"--save=a.png", u"--span=24h", u"--size=1920x1080", u"--file=h.dat"}, true},
        {{u"--span=2h"}, false},
        {{u"--save=a.png", u"--size=100x100"}, false},
        {{u"--save=a.png", u"--size=960"}, false},
        {{u"--size=960x600"}, false},
        {{u"--save="}, false},
        {{u"--span=1h", u"--span=1h"}, false},
        {{u"--colour=red"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::holds_alternative<HistoryOptions>(ParseHistoryOptions(c.arguments)), c.good)
            << (c.arguments.empty() ? "" : Narrow(c.arguments.back()));
    const auto options = std::get<HistoryOptions>(
        ParseHistoryOptions(std::vector<std::u16string_view>{u"--save=a.png", u"--span=30d", u"--size=1280x720"}));
    EXPECT_EQ(options.span, HistorySpan::Month);
    EXPECT_EQ(options.width, 1280);
    EXPECT_EQ(options.height, 720);
}

}  // namespace
}  // namespace veltar
