// veltar-report: prints one temperature report to standard output as UTF-8.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/utf8.h"

namespace {

// The query's diagnostic lines go to standard output; while the report is
// built they are sent to standard error, so that standard output carries the
// report alone.
std::u16string ReportWithDiagnosticsOnStandardError() {
    std::fflush(stdout);
    const int savedOutput = _dup(_fileno(stdout));
    _dup2(_fileno(stderr), _fileno(stdout));
    std::u16string report = veltar::GetTemperatureReport();
    std::fflush(stdout);
    _dup2(savedOutput, _fileno(stdout));
    _close(savedOutput);
    return report;
}

}  // namespace

int main() {
    veltar::InitializeComForQueries();
    if (!InitializeOls()) {
        std::fputs("veltar-report: the hardware-access library WinRing0.dll could not be initialised "
                   "(InitializeOls failed); no processor registers can be read.\n",
                   stderr);
        CoUninitialize();
        return 1;
    }
    const std::string report = veltar::ToUtf8(ReportWithDiagnosticsOnStandardError());
    // Binary output: the report's own "\r\n" line ends reach the reader unchanged.
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    DeinitializeOls();
    CoUninitialize();
    return 0;
}
