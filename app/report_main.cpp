// veltar-report: prints one temperature report to standard output as UTF-8.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/utf8.h"

int main() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);
    if (!InitializeOls()) {
        std::fputs("veltar-report: the hardware-access library WinRing0.dll could not be initialised "
                   "(InitializeOls failed); no processor registers can be read.\n",
                   stderr);
        CoUninitialize();
        return 1;
    }
    const std::string report = veltar::ToUtf8(veltar::GetTemperatureReport());
    // Binary output: the report's own "\r\n" line ends reach the reader unchanged.
    std::fflush(stdout);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    DeinitializeOls();
    CoUninitialize();
    return 0;
}
