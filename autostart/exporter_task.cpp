#include "autostart/exporter_task.h"

#include <optional>
#include <string>

#include "autostart/task_definition.h"
#include "base/option_text.h"

namespace veltar {
namespace {

constexpr std::u16string_view kDirectoryOption = u"--directory=";
constexpr std::u16string_view kIntervalOption = u"--interval=";

}  // namespace

std::variant<ExporterSettings, std::u16string> ParseExporterSettings(std::span<const std::u16string_view> arguments) {
    ExporterSettings settings;
    bool directoryGiven = false;
    bool intervalGiven = false;
    for (const std::u16string_view argument : arguments) {
        if (argument.starts_with(kDirectoryOption)) {
            if (directoryGiven) return u"--directory is given more than once";
            directoryGiven = true;
            // Windows drops a folder name's closing spaces; its closing backslashes but a drive's are left out.
            settings.directory = argument.substr(kDirectoryOption.size());
            while (!settings.directory.empty() && settings.directory.back() == u' ') settings.directory.pop_back();
            while (settings.directory.size() > 3 && settings.directory.back() == u'\\') settings.directory.pop_back();
            if (settings.directory.empty() || settings.directory.find(u'"') != std::u16string::npos)
                return u"--directory takes a folder: " + std::u16string(argument);
        } else if (argument.starts_with(kIntervalOption)) {
            if (intervalGiven) return u"--interval is given more than once";
            intervalGiven = true;
            const auto seconds = DecimalNumber(argument.substr(kIntervalOption.size()), 1, kLongestExporterInterval);
            if (!seconds) return u"--interval takes whole seconds, 1 to 3600: " + std::u16string(argument);
            settings.intervalSeconds = *seconds;
        } else {
            return u"unknown argument: " + std::u16string(argument);
        }
    }
    return settings;
}

std::u16string ExporterOutput(std::u16string_view directory) {
    std::u16string output(directory);
    if (!output.ends_with(u'\\')) output += u'\\';
    return output + u"veltar.prom";
}

std::u16string ExporterArguments(const ExporterSettings& settings) {
    const std::string seconds = std::to_string(settings.intervalSeconds);
    return u"--format=prometheus --interval=" + std::u16string(seconds.begin(), seconds.end()) + u" --output=\"" +
           ExporterOutput(settings.directory) + u"\"";
}

std::u16string ExporterTaskXml(std::u16string_view reportProgram, const ExporterSettings& settings) {
    const std::u16string account = std::u16string(u"<UserId>") + kLocalSystemSid + u"</UserId>";
    return TaskXml({u"Keeps veltar-report writing this computer's temperatures for Prometheus' textfile collector.",
                    u"BootTrigger", account,
                    u"    <RestartOnFailure>\r\n"
                    u"      <Interval>PT1M</Interval>\r\n"
                    u"      <Count>255</Count>\r\n"
                    u"    </RestartOnFailure>\r\n",
                    reportProgram, ExporterArguments(settings)});
}

}  // namespace veltar
