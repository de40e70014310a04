#include "report/check_plugin.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "base/text_format.h"

namespace veltar {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A plain decimal number: an optional sign, digits, an optional fraction.
std::optional<double> ParseDecimal(std::u16string_view text) {
    std::string ascii;
    std::size_t digits = 0;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if ((c == u'-' || c == u'+') && i == 0) {
        } else if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            ++digits;
        } else {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    if (digits == 0) return std::nullopt;
    return std::strtod(ascii.c_str(), nullptr);
}

const char16_t* StatusName(CheckStatus status) {
    switch (status) {
        case CheckStatus::Ok: return u"OK";
        case CheckStatus::Warning: return u"WARNING";
        case CheckStatus::Critical: return u"CRITICAL";
        case CheckStatus::Unknown: break;
    }
    return u"UNKNOWN";
}

bool AnyAlerts(const std::vector<TemperatureReading>& readings, const std::optional<CheckThreshold>& threshold) {
    if (!threshold) return false;
    for (const TemperatureReading& reading : readings)
        if (Alerts(threshold->range, reading.celsius)) return true;
    return false;
}

// The status line up to its performance data: the count and the hottest reading.
std::u16string Summary(CheckStatus status, const std::vector<TemperatureReading>& readings) {
    const TemperatureReading* hottest = &readings.front();
    for (const TemperatureReading& reading : readings)
        if (reading.celsius > hottest->celsius) hottest = &reading;
    std::u16string line;
    AppendFormatted(line, u"VELTAR %s - %u reading%s, the hottest %s_%u at %.2f C |", StatusName(status),
                    static_cast<unsigned>(readings.size()), readings.size() == 1 ? u"" : u"s",
                    SensorName(hottest->kind), hottest->number, hottest->celsius);
    return line;
}

// Each reading's performance data, " '<sensor>_<index>'=<value>;<warn>;<crit>",
// with the warning and critical texts limits(reading) gives, then the line's end.
template <typename Limits>
void AppendPerformanceData(std::u16string& line, const std::vector<TemperatureReading>& readings, Limits limits) {
    for (const TemperatureReading& reading : readings) {
        const auto [warning, critical] = limits(reading);
        AppendFormatted(line, u" '%s_%u'=%.2f;%s;%s", SensorName(reading.kind), reading.number, reading.celsius,
                        warning, critical);
    }
    line += u"\n";
}

// A limit for the performance data: empty where none is declared.
std::u16string PerfLimit(const std::optional<double>& limit) {
    std::u16string text;
    if (limit) AppendFormatted(text, u"%.2f", *limit);
    return text;
}

// Each reading judged against the limits its own hardware declares; the line
// names every reading past one.
CheckAnswer CheckOwnLimits(const std::vector<TemperatureReading>& readings) {
    LimitState worst = LimitState::Normal;
    for (const TemperatureReading& reading : readings) worst = std::max(worst, StateOf(reading));
    const CheckStatus status = worst == LimitState::Critical ? CheckStatus::Critical
                               : worst == LimitState::Warning ? CheckStatus::Warning
                                                              : CheckStatus::Ok;
    CheckAnswer answer{status, {}};
    if (status == CheckStatus::Ok) {
        answer.line = Summary(status, readings);
    } else {
        AppendFormatted(answer.line, u"VELTAR %s -", StatusName(status));
        const char16_t* separator = u" ";
        for (const TemperatureReading& reading : readings) {
            const LimitState state = StateOf(reading);
            if (state == LimitState::Normal) continue;
            const bool critical = state == LimitState::Critical;
            AppendFormatted(answer.line, u"%s%s_%u at %.2f C (%s %.2f C)", separator, SensorName(reading.kind),
                            reading.number, reading.celsius, critical ? u"critical" : u"warning",
                            critical ? *reading.limits.critical : *reading.limits.warning);
            separator = u", ";
        }
        answer.line += u" |";
    }
    AppendPerformanceData(answer.line, readings, [](const TemperatureReading& reading) {
        return std::pair{PerfLimit(reading.limits.warning), PerfLimit(reading.limits.critical)};
    });
    return answer;
}

}  // namespace

std::optional<CheckRange> ParseCheckRange(std::u16string_view text) {
    CheckRange range;
    if (!text.empty() && text.front() == u'@') {
        range.inside = true;
        text.remove_prefix(1);
    }
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos) {
        const auto end = ParseDecimal(text);
        if (!end) return std::nullopt;
        range.end = *end;
    } else {
        const std::u16string_view start = text.substr(0, colon);
        const std::u16string_view end = text.substr(colon + 1);
        if (start == u"~") {
            range.start = -kInfinity;
        } else if (!start.empty()) {
            const auto value = ParseDecimal(start);
            if (!value) return std::nullopt;
            range.start = *value;
        }
        if (end.empty()) {
            range.end = kInfinity;
        } else {
            const auto value = ParseDecimal(end);
            if (!value) return std::nullopt;
            range.end = *value;
        }
    }
    if (range.start > range.end) return std::nullopt;
    return range;
}

bool Alerts(const CheckRange& range, double value) {
    const bool within = value >= range.start && value <= range.end;
    return range.inside ? within : !within;
}

CheckAnswer CheckReadings(const std::vector<TemperatureReading>& readings, const CheckThresholds& thresholds) {
    if (!thresholds.warning && !thresholds.critical) return CheckOwnLimits(readings);
    const CheckStatus status = AnyAlerts(readings, thresholds.critical)  ? CheckStatus::Critical
                               : AnyAlerts(readings, thresholds.warning) ? CheckStatus::Warning
                                                                         : CheckStatus::Ok;
    CheckAnswer answer{status, Summary(status, readings)};
    const std::u16string warning = thresholds.warning ? thresholds.warning->text : u"";
    const std::u16string critical = thresholds.critical ? thresholds.critical->text : u"";
    AppendPerformanceData(answer.line, readings, [&](const TemperatureReading&) { return std::pair{warning, critical}; });
    return answer;
}

CheckAnswer CheckUnknown(std::u16string_view reason) {
    return {CheckStatus::Unknown, u"VELTAR UNKNOWN - " + std::u16string(reason) + u"\n"};
}

}  // namespace veltar
