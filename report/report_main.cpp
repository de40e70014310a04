// veltar-report: prints the temperature report once or every few seconds, as
// text, Prometheus text, CSV rows or a check plugin's answer, to standard
// output or replacing a file whole. Exit 0 done, 1 hardware or output failure,
// 2 usage error; as a check plugin 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
#include <windows.h>
#include <io.h>
#include <objbase.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/module_folder.h"
#include "base/standard_stream.h"
#include "base/text_format.h"
#include "base/utf8.h"
#include "base/whole_file.h"
#include "base/windows_error.h"
#include "history/civil_date.h"
#include "history/platform/win_history_file.h"
#include "report/csv_rows.h"
#include "report/history_export.h"
#include "report/report_options.h"
#include "report/round_schedule.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/prometheus_text.h"

namespace {

using veltar::CheckStatus;
using veltar::ReportFormat;
using veltar::ReportOptions;
using veltar::TemperatureReading;

constexpr char16_t kUsage[] =
    u"Usage: veltar-report [--format=prometheus|nagios|csv] [--sensor=mainboard|disk|cpu|gpu|memory]...\r\n"
    u"                     [--output=FILE] [--interval=SECONDS [--count=N]]\r\n"
    u"                     [--warning=RANGE] [--critical=RANGE]\r\n"
    u"       veltar-report --history=SPAN [--history-file=FILE] [--format=csv|text] [--sensor=KIND]...\r\n"
    u"\r\n"
    u"Prints this computer's temperatures as Veltar shows them: the mainboard, every\r\n"
    u"ATA disk and NVMe drive, every processor, every graphics card and every memory\r\n"
    u"module with a sensor.\r\n"
    u"\r\n"
    u"  --format=prometheus  the readings in Prometheus' text format, as the gauge\r\n"
    u"                       veltar_temperature_celsius, and the limits each part\r\n"
    u"                       declares as veltar_temperature_warning_celsius and\r\n"
    u"                       veltar_temperature_critical_celsius\r\n"
    u"  --format=nagios      a check plugin's answer for Nagios, Icinga and the like:\r\n"
    u"                       one status line with performance data; without\r\n"
    u"                       --warning and --critical, each reading is judged\r\n"
    u"                       against the limits its own hardware declares\r\n"
    u"  --format=csv         rows of time,sensor,index,celsius\r\n"
    u"  --format=text        the report's lines (the default but with --history)\r\n"
    u"  --sensor=KIND        only the mainboard, the disks, the processors, the\r\n"
    u"                       graphics cards or the memory modules (mainboard,\r\n"
    u"                       disk, cpu, gpu, memory); may be given more than once\r\n"
    u"  --output=FILE        replaces FILE whole, in one step, instead of writing to\r\n"
    u"                       standard output\r\n"
    u"  --interval=SECONDS   again every SECONDS (at least 1), until Ctrl+C\r\n"
    u"  --count=N            with --interval: N times\r\n"
    u"  --warning=RANGE      with --format=nagios: WARNING for a reading that the\r\n"
    u"  --critical=RANGE     range alerts for, CRITICAL likewise (N, N:, ~:N, N:M\r\n"
    u"                       alert outside the range, @N:M inside it)\r\n"
    u"  --history=SPAN       the readings Veltar recorded over the last SPAN (10m, 1h,\r\n"
    u"                       24h, 7d, 30d or minutes as 90m), oldest first: as CSV,\r\n"
    u"                       or with --format=text as the report's lines under each\r\n"
    u"                       time; beyond the day of every refresh, a minute's mean\r\n"
    u"  --history-file=FILE  that history instead of the user's own\r\n"
    u"                       (%LOCALAPPDATA%\\Veltar\\history.dat)\r\n"
    u"  --help               this text\r\n"
    u"\r\n"
    u"Exit status: 0 done, 1 hardware or output failure, 2 usage error.\r\n"
    u"With --format=nagios: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.\r\n";

void Say(const std::u16string& message) {
    veltar::WriteStandardStream(STD_ERROR_HANDLE, u"veltar-report: " + message + u"\r\n");
}

// WinRing0.dll from this program's own folder and from nowhere else: the
// program runs as administrator, and a library of that name in the current
// folder or on the path must never be loaded. WinRing0.dll is delay-loaded:
// once this one is loaded, the delay-load helper takes it by name. Nothing
// when it loaded.
std::optional<std::u16string> LoadHardwareLibrary(HMODULE* library) {
    const std::wstring folder = veltar::ModuleFolder(nullptr);
    const std::u16string path = std::u16string(folder.begin(), folder.end()) + u"WinRing0.dll";
    *library = nullptr;
    if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str())) == INVALID_FILE_ATTRIBUTES)
        return u"WinRing0.dll was not found beside veltar-report.exe.";
    *library = LoadLibraryExW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!*library) {
        std::u16string text;
        veltar::ReplaceFormatted(text, u"WinRing0.dll beside veltar-report.exe could not be loaded (Windows error %lu).",
                                 GetLastError());
        return text;
    }
    for (const WORD ordinal : {7, 8, 21}) {
        if (GetProcAddress(*library, MAKEINTRESOURCEA(ordinal))) continue;
        std::u16string text;
        veltar::ReplaceFormatted(text, u"WinRing0.dll has no export with ordinal %u: it is not a hardware-access "
                                       u"library that Veltar can use.", ordinal);
        return text;
    }
    return std::nullopt;
}

// Our own WinRing0.dll says why it could not start; other builds of the library
// have no such export and say nothing.
std::u16string HardwareStatus(HMODULE library) {
    const FARPROC lookup = GetProcAddress(library, kHardwareStatusExport);
    if (!lookup) return {};
    const wchar_t* status = reinterpret_cast<HardwareStatusFunction>(reinterpret_cast<void*>(lookup))();
    return status ? reinterpret_cast<const char16_t*>(status) : u"";
}

// The query's diagnostic lines go to standard output; while the readings are
// taken they are sent to standard error, so that standard output carries the
// report alone. Nothing when standard output cannot be sent there and back.
std::optional<std::vector<TemperatureReading>> ReadingsWithDiagnosticsOnStandardError(veltar::MachineReader& reader) {
    std::fflush(stdout);
    const int output = _fileno(stdout);
    const int savedOutput = output >= 0 ? _dup(output) : -1;
    if (savedOutput < 0) return std::nullopt;
    if (_dup2(_fileno(stderr), output) != 0) {
        _close(savedOutput);
        return std::nullopt;
    }
    std::vector<TemperatureReading> readings = reader.Readings();
    std::fflush(stdout);
    const bool restored = _dup2(savedOutput, output) == 0;
    _close(savedOutput);
    if (!restored) return std::nullopt;
    return readings;
}

// 100-nanosecond intervals since 1601.
long long Ticks(const SYSTEMTIME& time) {
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return static_cast<long long>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
}

veltar::LocalTime LocalTimeOf(const SYSTEMTIME& utc) {
    constexpr double kTicksPerMinute = 60.0 * 10000000.0;
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    const int offset = static_cast<int>(std::llround(static_cast<double>(Ticks(local) - Ticks(utc)) / kTicksPerMinute));
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, offset};
}

veltar::LocalTime Now() {
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    return LocalTimeOf(utc);
}

// A time of the history, in UTC milliseconds since 1970, as the clock here showed it.
veltar::LocalTime LocalTimeOfUtcMs(std::int64_t utcMs) {
    const std::int64_t localMs = veltar::LocalMsOf(utcMs);
    const int offset = static_cast<int>((localMs - utcMs) / 60'000);
    const std::int64_t days = (localMs >= 0 ? localMs : localMs - 86'399'999) / 86'400'000;
    const std::int64_t inDay = localMs - days * 86'400'000;
    const veltar::CivilDate date = veltar::CivilDateOf(days);
    return {date.year, date.month, date.day, static_cast<int>(inDay / 3'600'000),
            static_cast<int>(inDay / 60'000 % 60), static_cast<int>(inDay / 1000 % 60), offset};
}

// Writes the recorded readings of the span; the exit status.
int ExportHistory(const ReportOptions& options) {
    const std::wstring path = options.historyFile
                                  ? std::wstring(options.historyFile->begin(), options.historyFile->end())
                                  : veltar::DefaultHistoryPath();
    veltar::HistoryExport history(
        options.format == ReportFormat::Csv, veltar::UtcNowMs() - *options.historySpanMs, options.sensors,
        LocalTimeOfUtcMs,
        [](const std::u16string& text) { return veltar::WriteStandardStream(STD_OUTPUT_HANDLE, text); });
    if (const auto problem = veltar::ReadWholeHistory(path, history)) {
        Say(*problem);
        return 1;
    }
    if (history.Finish()) return 0;
    Say(u"the history could not be written to standard output.");
    return 1;
}

// Set by Ctrl+C, Ctrl+Break or the console closing: the rounds end after the
// one being written. The handler waits for that when Windows ends the process
// as soon as it returns.
HANDLE g_stop = nullptr;
HANDLE g_finished = nullptr;
constexpr DWORD kFinishWaitMs = 4000;

BOOL WINAPI OnConsoleControl(DWORD event) {
    SetEvent(g_stop);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_finished, kFinishWaitMs);
    return TRUE;
}

// Writes the text where the options send it; false, after saying why, when it
// could not be written.
bool Deliver(const ReportOptions& options, const std::u16string& text) {
    if (!options.output) {
        if (veltar::WriteStandardStream(STD_OUTPUT_HANDLE, text)) return true;
        Say(u"the report could not be written to standard output.");
        return false;
    }
    const DWORD error = veltar::ReplaceWholeFile(*options.output, veltar::ToUtf8(text));
    if (error == ERROR_SUCCESS) return true;
    Say(*options.output + u" could not be replaced, and is as it was: " + veltar::Win32ErrorText(error));
    return false;
}

// Prometheus' textfile collector reads what the rounds leave in the file: they
// go on without the hardware-access library, saying so in the file, and try it
// again each round.
bool WritesRoundsWithoutLibrary(const ReportOptions& options) {
    return options.format == ReportFormat::Prometheus && options.intervalSeconds && options.output;
}

// The report tool's rounds, with the library initialised or, where it goes on
// without, trying it each round; the exit status.
class Rounds {
public:
    Rounds(const ReportOptions& options, bool initialized) : m_options(options), m_initialized(initialized) {}
    Rounds(const Rounds&) = delete;
    Rounds& operator=(const Rounds&) = delete;
    ~Rounds() {
        if (m_initialized) DeinitializeOls();
    }

    int Run() {
        if (m_options.format == ReportFormat::Nagios) return Check();
        bool allWritten = true;
        for (std::uint32_t round = 1;; ++round) {
            if (!m_initialized) m_initialized = InitializeOls() != FALSE;
            const std::optional<std::u16string> text =
                m_initialized ? ReportText() : veltar::FormatRoundGauges(false, veltar::UtcNowMs());
            if (!text) {
                Say(u"standard output could not be set aside while the report was built; no report was printed.");
                return 1;
            }
            const bool written = Deliver(m_options, *text);
            // Standard output that cannot be written to will not be later; a
            // file held by a reader may be free at the next round.
            if (!written && !m_options.output) return 1;
            allWritten = allWritten && written && m_initialized;
            if (!m_options.intervalSeconds || (m_options.count && round >= *m_options.count)) break;
            if (WaitUntilNextRound()) break;
        }
        if (m_options.intervalSeconds && !m_options.count) return 0;
        return allWritten ? 0 : 1;
    }

private:
    // The round's text from fresh readings; none when standard output could not be set aside.
    std::optional<std::u16string> ReportText() {
        const auto readings = ReadingsWithDiagnosticsOnStandardError(m_reader);
        if (!readings) return std::nullopt;
        return Text(veltar::KeepSensors(*readings, m_options.sensors));
    }

    std::u16string Text(const std::vector<TemperatureReading>& readings) {
        switch (m_options.format) {
            case ReportFormat::Prometheus:
                // A file is for a collector, which must tell a writer that stopped from a cool machine.
                return veltar::FormatPrometheus(readings) +
                       (m_options.output ? veltar::FormatRoundGauges(true, veltar::UtcNowMs()) : u"");
            case ReportFormat::Csv: {
                // A file replaced whole is a new table each time; standard output one table.
                std::u16string text = m_headerWritten && !m_options.output ? u"" : veltar::CsvHeader();
                m_headerWritten = true;
                return text + veltar::CsvRows(readings, Now());
            }
            case ReportFormat::Report:
            case ReportFormat::Nagios: break;
        }
        return veltar::FormatReport(readings);
    }

    // True when the rounds are to end. The tick count goes on while the machine sleeps.
    bool WaitUntilNextRound() {
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG due = veltar::NextRoundDue(m_started, ULONGLONG{*m_options.intervalSeconds} * 1000, now);
        return WaitForSingleObject(g_stop, static_cast<DWORD>(due - now)) == WAIT_OBJECT_0;
    }

    int Check() {
        const auto readings = ReadingsWithDiagnosticsOnStandardError(m_reader);
        veltar::CheckAnswer answer;
        if (!readings) answer = veltar::CheckUnknown(u"standard output could not be set aside while reading");
        else if (const auto kept = veltar::KeepSensors(*readings, m_options.sensors); kept.empty())
            answer = veltar::CheckUnknown(u"no reading is left after --sensor");
        else answer = veltar::CheckReadings(kept, m_options.thresholds);
        return Deliver(m_options, answer.line) ? static_cast<int>(answer.status) : static_cast<int>(CheckStatus::Unknown);
    }

    const ReportOptions& m_options;
    bool m_initialized;
    // Its management-service connections serve every round.
    veltar::MachineReader m_reader;
    bool m_headerWritten = false;
    ULONGLONG m_started = GetTickCount64();
};

// Reads and writes with the library initialised, or in rounds that go on
// without it; the exit status.
int RunWithLibrary(const ReportOptions& options, HMODULE library) {
    const bool initialized = InitializeOls() != FALSE;
    if (!initialized) {
        const std::u16string failed =
            u"the hardware-access library WinRing0.dll could not be initialised (InitializeOls failed); "
            u"no processor registers can be read.";
        const std::u16string status = HardwareStatus(library);
        if (options.format == ReportFormat::Nagios) {
            Deliver(options, veltar::CheckUnknown(status.empty() ? failed : failed + u" " + status).line);
            return static_cast<int>(CheckStatus::Unknown);
        }
        Say(failed);
        if (!status.empty()) Say(status);
        if (!WritesRoundsWithoutLibrary(options)) return 1;
        Say(u"the rounds go on, writing veltar_scrape_success 0, and try the library again each round.");
    }
    return Rounds(options, initialized).Run();
}

int Run(const ReportOptions& options) {
    const bool check = options.format == ReportFormat::Nagios;
    HMODULE library = nullptr;
    if (const auto problem = LoadHardwareLibrary(&library)) {
        if (library) FreeLibrary(library);
        if (check) {
            Deliver(options, veltar::CheckUnknown(*problem).line);
            return static_cast<int>(CheckStatus::Unknown);
        }
        Say(*problem);
        return 1;
    }
    if (options.intervalSeconds) {
        g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    }
    const bool comInitialized = veltar::InitializeComForQueries();
    const int status = RunWithLibrary(options, library);
    if (comInitialized) CoUninitialize();
    FreeLibrary(library);
    if (g_finished) SetEvent(g_finished);
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string_view> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    auto parsed = veltar::ParseReportOptions(arguments);
    if (const auto* error = std::get_if<veltar::OptionsError>(&parsed)) {
        if (veltar::AsksForCheckFormat(arguments)) {
            veltar::WriteStandardStream(STD_OUTPUT_HANDLE, veltar::CheckUnknown(error->message).line);
            return static_cast<int>(CheckStatus::Unknown);
        }
        Say(error->message);
        veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        return 2;
    }
    const auto& options = std::get<ReportOptions>(parsed);
    if (options.help) return veltar::WriteStandardStream(STD_OUTPUT_HANDLE, kUsage) ? 0 : 1;
    if (options.historySpanMs) return ExportHistory(options);
    return Run(options);
}
