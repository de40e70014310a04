// The scheduled task that keeps veltar-report writing this computer's
// temperatures for Prometheus' textfile collector (windows_exporter's): as the
// system account, from start-up, whether or not anyone logs on.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace veltar {

// The task's name in the scheduler's root folder (\Veltar exporter).
inline constexpr char16_t kExporterTaskName[] = u"Veltar exporter";
inline constexpr char16_t kLocalSystemSid[] = u"S-1-5-18";
// windows_exporter's own textfile folder.
inline constexpr char16_t kDefaultExporterDirectory[] = u"C:\\Program Files\\windows_exporter\\textfile_inputs";
inline constexpr std::uint32_t kDefaultExporterInterval = 15;
inline constexpr std::uint32_t kLongestExporterInterval = 3600;

struct ExporterSettings {
    std::u16string directory = kDefaultExporterDirectory;
    std::uint32_t intervalSeconds = kDefaultExporterInterval;
    bool operator==(const ExporterSettings&) const = default;
};

// The settings of "exporter on [--directory=DIR] [--interval=SECONDS]" from
// the arguments after "on", or what is wrong with them.
std::variant<ExporterSettings, std::u16string> ParseExporterSettings(std::span<const std::u16string_view> arguments);

// The file the rounds replace: veltar.prom in the folder.
std::u16string ExporterOutput(std::u16string_view directory);

// veltar-report's arguments: Prometheus' format, the interval, the file, quoted.
std::u16string ExporterArguments(const ExporterSettings& settings);

// The whole task definition as the scheduler takes it: a start-up trigger, the
// system account with the highest privileges, restarted every minute on
// failure as often as the scheduler allows, no time limit, on battery power too,
// one instance; veltar-report, quoted, from its own folder, with its arguments.
std::u16string ExporterTaskXml(std::u16string_view reportProgram, const ExporterSettings& settings);

}  // namespace veltar
