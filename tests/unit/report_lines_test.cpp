#include "ui/report_lines.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(WindowSizeForReport(u"0123456789abcdef\r\nx\r\ny\r\n", 20, measure), (WindowSize{224, 100}));
    EXPECT_EQ(WindowSizeForReport(u"", 20, measure), (WindowSize{300, 200}));
    // A report without any separator measures an empty line: width 0, height 40.
    EXPECT_EQ(WindowSizeForReport(u"no lines", 20, measure), (WindowSize{0, 40}));
}

}  // namespace
}  // namespace veltar
