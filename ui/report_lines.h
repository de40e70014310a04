// The line count and the longest line of a report, for sizing the window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "chrome/display_scale.h"

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

// The window's size for its first report at a display scale: twice the longest
// line's width (as measure gives it in pixels at 96 DPI), scaled, by a line
// height (already scaled) for every line plus two; an empty report gives 300 by
// 200 at 96 DPI.
template <typename Measure>
WindowSize WindowSizeForReport(std::u16string_view report, int lineHeight, unsigned dpi, Measure measure) {
    if (report.empty()) return {ScaledPixels(300, dpi), ScaledPixels(200, dpi)};
    const ReportLines lines = ScanReportLines(report);
    return {ScaledPixels(2 * measure(lines.longest), dpi), (static_cast<int>(lines.count) + 2) * lineHeight};
}

}  // namespace veltar
