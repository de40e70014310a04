// veltar-report: prints one temperature report, or the same readings for a
// monitoring system, and exits 0; 1 when the hardware-access library or the
// output fails, 2 for a usage error.
#include <windows.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "app/standard_stream.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/prometheus_text.h"
#include "sensors/text_format.h"

namespace {

constexpr char16_t kUsage[] =
    u"Usage: veltar-report [--format=prometheus]\r\n"
    u"\r\n"
    u"Prints this computer's temperatures once, as Veltar shows them: the mainboard,\r\n"
    u"every ATA disk and every processor.\r\n"
    u"\r\n"
    u"  --format=prometheus  the same readings in Prometheus' text format, as the\r\n"
    u"                       gauge veltar_temperature_celsius\r\n"
    u"  --help               this text\r\n"
    u"\r\n"
    u"Exit status: 0 report written, 1 hardware or output failure, 2 usage error.\r\n";

enum class Format { Report, Prometheus };

void Say(const std::u16string& message) {
    veltar::WriteStandardStream(STD_ERROR_HANDLE, u"veltar-report: " + message + u"\r\n");
}

// WinRing0.dll is delay-loaded: without it, or without one of its three
// exports, the first call into it would end the process with the loader's
// status. Loading it first turns that into a message. Nothing when it loaded.
std::optional<std::u16string> LoadHardwareLibrary(HMODULE* library) {
    *library = LoadLibraryW(L"WinRing0.dll");
    if (!*library) {
        const DWORD error = GetLastError();
        if (error == ERROR_MOD_NOT_FOUND) return u"WinRing0.dll was not found beside veltar-report.exe.";
        std::u16string text;
        veltar::ReplaceFormatted(text, u"WinRing0.dll beside veltar-report.exe could not be loaded (Windows error %lu).",
                                 error);
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
std::optional<std::vector<veltar::TemperatureReading>> ReadingsWithDiagnosticsOnStandardError() {
    std::fflush(stdout);
    const int output = _fileno(stdout);
    const int savedOutput = output >= 0 ? _dup(output) : -1;
    if (savedOutput < 0) return std::nullopt;
    if (_dup2(_fileno(stderr), output) != 0) {
        _close(savedOutput);
        return std::nullopt;
    }
    std::vector<veltar::TemperatureReading> readings = veltar::GetTemperatureReadings();
    std::fflush(stdout);
    const bool restored = _dup2(savedOutput, output) == 0;
    _close(savedOutput);
    if (!restored) return std::nullopt;
    return readings;
}

// Reads and writes with the library initialised; the exit status.
int WriteReadings(Format format, HMODULE library) {
    if (!InitializeOls()) {
        Say(u"the hardware-access library WinRing0.dll could not be initialised (InitializeOls failed); "
            u"no processor registers can be read.");
        const std::u16string status = HardwareStatus(library);
        if (!status.empty()) Say(status);
        return 1;
    }
    const auto readings = ReadingsWithDiagnosticsOnStandardError();
    DeinitializeOls();
    if (!readings) {
        Say(u"standard output could not be set aside while the report was built; no report was printed.");
        return 1;
    }
    const std::u16string text =
        format == Format::Report ? veltar::FormatReport(*readings) : veltar::FormatPrometheus(*readings);
    if (!veltar::WriteStandardStream(STD_OUTPUT_HANDLE, text)) {
        Say(u"the report could not be written to standard output.");
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Format format = Format::Report;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--help") == 0) return veltar::WriteStandardStream(STD_OUTPUT_HANDLE, kUsage) ? 0 : 1;
        if (std::wcscmp(argv[i], L"--format=prometheus") == 0) {
            format = Format::Prometheus;
            continue;
        }
        Say(u"unknown argument: " + std::u16string(reinterpret_cast<const char16_t*>(argv[i])));
        veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        return 2;
    }

    HMODULE library = nullptr;
    if (const auto problem = LoadHardwareLibrary(&library)) {
        Say(*problem);
        if (library) FreeLibrary(library);
        return 1;
    }
    const bool comInitialized = veltar::InitializeComForQueries();
    const int status = WriteReadings(format, library);
    if (comInitialized) CoUninitialize();
    FreeLibrary(library);
    return status;
}
