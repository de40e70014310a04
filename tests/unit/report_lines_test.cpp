#include "ui/report_lines.h"

#include <gtest/gtest.h>

#include "chrome/display_scale.h"
#include "ui/docking.h"

namespace veltar {
namespace {

TEST(ScanReportLines, CountsLinesEndingInCrLfAndKeepsTheFirstLongest) {
    const ReportLines lines = ScanReportLines(u"ab\r\nxyz\r\nuvw\r\nq\r\n");
    EXPECT_EQ(lines.count, 4u);
    EXPECT_EQ(lines.longest, u"xyz");
}

TEST(ScanReportLines, TextAfterTheLastSeparatorIsNeitherCountedNorMeasured) {
    const ReportLines lines = ScanReportLines(u"ab\r\na much longer tail");
    EXPECT_EQ(lines.count, 1u);
    EXPECT_EQ(lines.longest, u"ab");
    const ReportLines none = ScanReportLines(u"no separator at all");
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(none.longest, u"");
}

TEST(ScanReportLines, LengthCountsUtf16UnitsAndEmptyLinesCount) {
    const ReportLines lines = ScanReportLines(u"\r\n主板-温度: 27.85℃\r\nCPU1-温度: 45.00℃\r\n\n\r\n");
    EXPECT_EQ(lines.count, 4u);
    EXPECT_EQ(lines.longest, u"CPU1-温度: 45.00℃");  // 15 units against 14
}

TEST(WindowSizeForReport, TwiceTheLongestLineByTheLinesPlusTwo) {
    const auto measure = [](const std::u16string& line) { return static_cast<int>(line.size()) * 7; };
    // Three lines, the longest of 16 characters: 100 pixels high.
    EXPECT_EQ(WindowSizeForReport(u"0123456789abcdef\r\nx\r\ny\r\n", 20, 96, measure), (WindowSize{224, 100}));
    EXPECT_EQ(WindowSizeForReport(u"", 20, 96, measure), (WindowSize{300, 200}));
    // A report without any separator measures an empty line: width 0, height 40.
    EXPECT_EQ(WindowSizeForReport(u"no lines", 20, 96, measure), (WindowSize{0, 40}));
}

TEST(DisplayScale, EveryPixelValueGrowsWithTheDpiAndNothingChangesAt96) {
    const auto measure = [](const std::u16string& line) { return static_cast<int>(line.size()) * 7; };
    const std::u16string_view report = u"0123456789abcdef\r\nx\r\ny\r\n";
    const struct {
        unsigned dpi;
        int lineHeight, margin, aboutLineHeight, aboutSideMargin, reach;
        WindowSize window, empty;
    } cases[] = {
        {96, 20, 16, 14, 6, 1, {224, 100}, {300, 200}},
        {120, 25, 20, 18, 8, 1, {280, 125}, {375, 250}},  // 17.5 and 7.5 round up, as MulDiv does
        {144, 30, 24, 21, 9, 2, {336, 150}, {450, 300}},
        {192, 40, 32, 28, 12, 2, {448, 200}, {600, 400}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaledPixels(20, c.dpi), c.lineHeight) << c.dpi;
        EXPECT_EQ(ScaledRect({16, 16, 16, 16}, c.dpi), (Rect{c.margin, c.margin, c.margin, c.margin})) << c.dpi;
        EXPECT_EQ(ScaledPixels(14, c.dpi), c.aboutLineHeight) << c.dpi;
        EXPECT_EQ(ScaledRect({6, 16, 6, 6}, c.dpi), (Rect{c.aboutSideMargin, c.margin, c.aboutSideMargin,
                                                           c.aboutSideMargin})) << c.dpi;
        EXPECT_EQ(WindowSizeForReport(report, c.lineHeight, c.dpi, measure), c.window) << c.dpi;
        EXPECT_EQ(WindowSizeForReport(u"", c.lineHeight, c.dpi, measure), c.empty) << c.dpi;

        // The pointer undocks a window from a pixel at that scale on; the strip
        // a docked window leaves stays one physical pixel.
        const std::int32_t screen = 1280;
        for (const std::int32_t distance : {c.reach, c.reach + 1}) {
            Rect window{0, 0, c.window.width, c.window.height};
            DockEdge edge = DockEdge::Top;
            ApplyMovingRules(window, edge, screen, {300, distance}, c.dpi);
            EXPECT_EQ(edge, distance > c.reach ? DockEdge::None : DockEdge::Top) << c.dpi;
        }
        const auto slid = PlanSlide({0, 0, c.window.width, c.window.height}, DockEdge::Top, screen, SlideDirection::Out);
        EXPECT_EQ(slid->finalY, 1 - c.window.height) << c.dpi;

        // A window docked at 96 DPI takes its new size at this one on the same edge.
        const Rect shown{100, 0, 324, 100};
        const Rect slidOut{100, -99, 324, 1};
        for (const auto& [current, top] : {std::pair{shown, 0}, std::pair{slidOut, 1 - c.window.height}}) {
            Rect resized{90, 5, 90 + c.window.width, 5 + c.window.height};  // where Windows suggests
            KeepOnDockEdge(resized, current, DockEdge::Top, screen);
            EXPECT_EQ(resized, (Rect{90, top, 90 + c.window.width, top + c.window.height})) << c.dpi;
        }
        Rect right{1000, 300, 1000 + c.window.width, 300 + c.window.height};
        KeepOnDockEdge(right, {1279, 300, 1503, 400}, DockEdge::Right, screen);
        EXPECT_EQ(right.left, screen - 1) << c.dpi;  // slid out: the one-pixel strip
        KeepOnDockEdge(right, {1056, 300, 1280, 400}, DockEdge::Right, screen);
        EXPECT_EQ(right.right, screen) << c.dpi;
    }
}

}  // namespace
}  // namespace veltar
