#include "report/report_options.h"

#include <algorithm>

#include "base/option_text.h"
#include "history/history_span.h"

namespace veltar {
namespace {

constexpr std::u16string_view kCheckFormat = u"--format=nagios";
constexpr std::uint32_t kLargestNumber = 999'999'999;  // as many as nine digits hold


std::optional<SensorKind> SensorNamed(std::u16string_view name) {
    for (const SensorKind kind : {SensorKind::Mainboard, SensorKind::Disk, SensorKind::Processor, SensorKind::Gpu,
                                 SensorKind::Memory})
        if (name == SensorName(kind)) return kind;
    return std::nullopt;
}

OptionsError Error(std::u16string message) { return {std::move(message)}; }

}  // namespace

bool AsksForCheckFormat(std::span<const std::u16string_view> arguments) {
    return std::find(arguments.begin(), arguments.end(), kCheckFormat) != arguments.end();
}

std::variant<ReportOptions, OptionsError> ParseReportOptions(std::span<const std::u16string_view> arguments) {
    ReportOptions options;
    bool formatGiven = false;
    for (const std::u16string_view argument : arguments) {
        const std::u16string text(argument);
        if (argument == u"--help") {
            options.help = true;
        } else if (const auto format = OptionValue(argument, u"--format")) {
            if (formatGiven) return Error(u"--format is given more than once");
            formatGiven = true;
            if (*format == u"text") options.format = ReportFormat::Report;
            else if (*format == u"prometheus") options.format = ReportFormat::Prometheus;
            else if (*format == u"nagios") options.format = ReportFormat::Nagios;
            else if (*format == u"csv") options.format = ReportFormat::Csv;
            else return Error(u"unknown format: " + std::u16string(*format) + u" (prometheus, nagios or csv)");
        } else if (const auto sensor = OptionValue(argument, u"--sensor")) {
            const auto kind = SensorNamed(*sensor);
            if (!kind) return Error(u"unknown sensor: " + std::u16string(*sensor) + u" (mainboard, disk, cpu, gpu or memory)");
            if (std::find(options.sensors.begin(), options.sensors.end(), *kind) == options.sensors.end())
                options.sensors.push_back(*kind);
        } else if (const auto output = OptionValue(argument, u"--output")) {
            if (options.output) return Error(u"--output is given more than once");
            if (output->empty()) return Error(u"--output needs a file name");
            options.output = std::u16string(*output);
        } else if (const auto warning = OptionValue(argument, u"--warning")) {
            if (options.thresholds.warning) return Error(u"--warning is given more than once");
            const auto range = ParseCheckRange(*warning);
            if (!range) return Error(u"--warning is not a range: " + std::u16string(*warning));
            options.thresholds.warning = CheckThreshold{std::u16string(*warning), *range};
        } else if (const auto critical = OptionValue(argument, u"--critical")) {
            if (options.thresholds.critical) return Error(u"--critical is given more than once");
            const auto range = ParseCheckRange(*critical);
            if (!range) return Error(u"--critical is not a range: " + std::u16string(*critical));
            options.thresholds.critical = CheckThreshold{std::u16string(*critical), *range};
        } else if (const auto interval = OptionValue(argument, u"--interval")) {
            if (options.intervalSeconds) return Error(u"--interval is given more than once");
            options.intervalSeconds = DecimalNumber(*interval, 1, kLargestNumber);
            if (!options.intervalSeconds) return Error(u"--interval takes whole seconds, at least 1: " + text);
        } else if (const auto count = OptionValue(argument, u"--count")) {
            if (options.count) return Error(u"--count is given more than once");
            options.count = DecimalNumber(*count, 1, kLargestNumber);
            if (!options.count) return Error(u"--count takes a whole number, at least 1: " + text);
        } else if (const auto span = OptionValue(argument, u"--history")) {
            if (options.historySpanMs) return Error(u"--history is given more than once");
            options.historySpanMs = ParseHistorySpan(*span, true);
            if (!options.historySpanMs)
                return Error(u"--history takes 10m, 1h, 24h, 7d, 30d or a number of minutes such as 90m: " + text);
        } else if (const auto file = OptionValue(argument, u"--history-file")) {
            if (options.historyFile) return Error(u"--history-file is given more than once");
            if (file->empty()) return Error(u"--history-file needs a file name");
            options.historyFile = std::u16string(*file);
        } else {
            return Error(u"unknown argument: " + text);
        }
    }
    if (options.historyFile && !options.historySpanMs) return Error(u"--history-file goes with --history");
    if (options.historySpanMs) {
        if (!formatGiven) options.format = ReportFormat::Csv;
        if (options.format != ReportFormat::Csv && options.format != ReportFormat::Report)
            return Error(u"--history is written as csv or text only");
        if (options.output || options.intervalSeconds || options.count || options.thresholds.warning ||
            options.thresholds.critical)
            return Error(u"--history goes with --format and --sensor only");
    }
    const bool check = options.format == ReportFormat::Nagios;
    if (!check && (options.thresholds.warning || options.thresholds.critical))
        return Error(u"--warning and --critical go with --format=nagios");
    if (check && options.intervalSeconds) return Error(u"--format=nagios answers once: --interval does not go with it");
    if (options.count && !options.intervalSeconds) return Error(u"--count goes with --interval");
    return options;
}

std::vector<TemperatureReading> KeepSensors(const std::vector<TemperatureReading>& readings,
                                            const std::vector<SensorKind>& sensors) {
    if (sensors.empty()) return readings;
    std::vector<TemperatureReading> kept;
    for (const TemperatureReading& reading : readings)
        if (std::find(sensors.begin(), sensors.end(), reading.kind) != sensors.end()) kept.push_back(reading);
    return kept;
}

}  // namespace veltar
