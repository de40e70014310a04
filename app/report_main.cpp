// veltar-report: prints one temperature report to standard output as UTF-8.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <optional>
#include <string>

#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/utf8.h"

namespace {

// The query's diagnostic lines go to standard output; while the report is
// built they are sent to standard error, so that standard output carries the
// report alone. Nothing when standard output cannot be sent there and back.
std::optional<std::u16string> ReportWithDiagnosticsOnStandardError() {
    std::fflush(stdout);
    const int output = _fileno(stdout);
    const int savedOutput = output >= 0 ? _dup(output) : -1;
    if (savedOutput < 0) return std::nullopt;
    if (_dup2(_fileno(stderr), output) != 0) {
        _close(savedOutput);
        return std::nullopt;
    }
    std::u16string report = veltar::GetTemperatureReport();
    std::fflush(stdout);
    const bool restored = _dup2(savedOutput, output) == 0;
    _close(savedOutput);
    if (!restored) return std::nullopt;
    return report;
}

// Our own WinRing0.dll says why it could not start; other builds of the library
// have no such export and say nothing.
std::string HardwareStatus() {
    const HMODULE library = GetModuleHandleW(L"WinRing0.dll");
    const FARPROC lookup = library ? GetProcAddress(library, kHardwareStatusExport) : nullptr;
    if (!lookup) return {};
    const wchar_t* status = reinterpret_cast<HardwareStatusFunction>(reinterpret_cast<void*>(lookup))();
    if (!status || !*status) return {};
    return "veltar-report: " + veltar::ToUtf8(reinterpret_cast<const char16_t*>(status)) + "\n";
}

int Fail(const char* message, bool comInitialized) {
    std::fputs(message, stderr);
    if (comInitialized) CoUninitialize();
    return 1;
}

}  // namespace

int main() {
    const bool comInitialized = veltar::InitializeComForQueries();
    if (!InitializeOls()) {
        const int status = Fail("veltar-report: the hardware-access library WinRing0.dll could not be initialised "
                                "(InitializeOls failed); no processor registers can be read.\n",
                                comInitialized);
        std::fputs(HardwareStatus().c_str(), stderr);
        return status;
    }
    const std::optional<std::u16string> built = ReportWithDiagnosticsOnStandardError();
    if (!built) {
        DeinitializeOls();
        return Fail("veltar-report: standard output could not be set aside while the report was built; "
                    "no report was printed.\n",
                    comInitialized);
    }
    const std::string report = veltar::ToUtf8(*built);
    // Binary output: the report's own "\r\n" line ends reach the reader unchanged.
    _setmode(_fileno(stdout), _O_BINARY);
    const bool written =
        std::fwrite(report.data(), 1, report.size(), stdout) == report.size() && std::fflush(stdout) == 0;
    if (!written) {
        DeinitializeOls();
        return Fail("veltar-report: the report could not be written to standard output.\n", comInitialized);
    }
    DeinitializeOls();
    if (comInitialized) CoUninitialize();
    return 0;
}
