// veltar-report as a check plugin for Nagios, Icinga and the like, after the
// Monitoring Plugins development guidelines: thresholds in their range syntax,
// one status line with performance data, and the status as the exit code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

enum class CheckStatus { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// "N", "N:", "~:N", "N:M", each with an optional "@" before it: a value outside
// start..end alerts, or with "@" a value inside it (both ends included).
struct CheckRange {
    double start = 0;
    double end = 0;
    bool inside = false;
};

// None when the text is not a range, or its start lies above its end.
std::optional<CheckRange> ParseCheckRange(std::u16string_view text);
bool Alerts(const CheckRange& range, double value);

struct CheckThreshold {
    std::u16string text;  // as given, for the performance data
    CheckRange range;
};

struct CheckThresholds {
    std::optional<CheckThreshold> warning;
    std::optional<CheckThreshold> critical;
};

struct CheckAnswer {
    CheckStatus status = CheckStatus::Unknown;
    std::u16string line;  // one line, ending with "\n" alone as the plugins' readers expect
};

// The answer for the readings, which must not be empty: CRITICAL when any
// reading alerts against the critical range, else WARNING against the warning
// range, else OK. Without either range, each reading is judged against the
// limits its own hardware declares, and the performance data carries them.
CheckAnswer CheckReadings(const std::vector<TemperatureReading>& readings, const CheckThresholds& thresholds);

// UNKNOWN, with the reason on the line.
CheckAnswer CheckUnknown(std::u16string_view reason);

}  // namespace veltar
