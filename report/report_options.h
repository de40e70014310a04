// What veltar-report is asked to do, from its command line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "report/check_plugin.h"
#include "sensors/temperature_report.h"

namespace veltar {

enum class ReportFormat { Report, Prometheus, Nagios, Csv };

struct ReportOptions {
    ReportFormat format = ReportFormat::Report;
    bool help = false;
    std::vector<SensorKind> sensors;  // the kinds kept; empty: every kind
    std::optional<std::u16string> output;
    CheckThresholds thresholds;
    std::optional<std::uint32_t> intervalSeconds;
    std::optional<std::uint32_t> count;  // none: until stopped
    // The recorded readings of this many milliseconds back, from the history file
    // named or the user's own.
    std::optional<std::int64_t> historySpanMs;
    std::optional<std::u16string> historyFile;
};

struct OptionsError {
    std::u16string message;
};

// True when the arguments ask for the check format, whose errors are answered
// on its own status line.
bool AsksForCheckFormat(std::span<const std::u16string_view> arguments);

std::variant<ReportOptions, OptionsError> ParseReportOptions(std::span<const std::u16string_view> arguments);

// The readings of the kinds kept, in their order.
std::vector<TemperatureReading> KeepSensors(const std::vector<TemperatureReading>& readings,
                                            const std::vector<SensorKind>& sensors);

}  // namespace veltar
