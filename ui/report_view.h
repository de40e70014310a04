// What the window shows of a set of readings: the report, and the lines that
// have reached a limit of their part, which are painted apart from the rest.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

struct MarkedLine {
    std::size_t index = 0;  // the line's place in the report, from 0
    LimitState state = LimitState::Warning;
    std::u16string text;  // without its "\r\n"
    bool operator==(const MarkedLine&) const = default;
};

struct ReportView {
    std::u16string text;       // the report
    std::u16string plainText;  // the report with each marked line left empty, so the others keep their places
    std::vector<MarkedLine> marked;
    LimitState worst = LimitState::Normal;
};

ReportView ViewReadings(const std::vector<TemperatureReading>& readings);

}  // namespace veltar
