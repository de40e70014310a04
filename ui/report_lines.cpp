#include "ui/report_lines.h"

namespace veltar {

ReportLines ScanReportLines(std::u16string_view report) {
    constexpr std::u16string_view kSeparator = u"\r\n";
    ReportLines lines;
    std::size_t p = 0;
    for (std::size_t end = report.find(kSeparator, p); end != std::u16string_view::npos;
         end = report.find(kSeparator, p)) {
        const std::u16string_view line = report.substr(p, end - p);
        if (line.size() > lines.longest.size()) lines.longest = line;
        ++lines.count;
        p = end + kSeparator.size();
    }
    return lines;
}

}  // namespace veltar
