// The line count and the longest line of a report, for sizing the window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltar {

struct ReportLines {
    std::size_t count = 0;
    std::u16string longest;  // the first of the longest lines, in UTF-16 units
};

// Only text that ends in "\r\n" counts as a line.
ReportLines ScanReportLines(std::u16string_view report);

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

// The window's size for its first report: twice the longest line's width (as
// measure gives it in pixels) by a line height for every line plus two; an empty
// report gives 300 by 200.
template <typename Measure>
WindowSize WindowSizeForReport(std::u16string_view report, int lineHeight, Measure measure) {
    if (report.empty()) return {300, 200};
    const ReportLines lines = ScanReportLines(report);
    return {2 * measure(lines.longest), (static_cast<int>(lines.count) + 2) * lineHeight};
}

}  // namespace veltar
