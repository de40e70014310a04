// veltar-report's rounds, ten thousand of them, as --interval runs them but
// without the wait: the readings through the real COM path (under Wine, the
// fixture provider) and the hardware-access library, the sensors kept, the
// Prometheus text, and the file replaced whole. Prints the committed memory and
// the handles after the first thousand rounds and at the end.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "base/utf8.h"
#include "base/whole_file.h"
#include "report/report_options.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "sensors/prometheus_text.h"

namespace {

constexpr int kRounds = 10000;
constexpr int kWarmUp = 1000;

void PrintUsage(const char* when) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    // Wine counts no handles; the lowest free handle value grows all the same
    // when handles leak.
    const HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::printf("%-22s committed memory %8lu KiB   handles %lu   next handle value %lu\n", when,
                static_cast<unsigned long>(counters.PagefileUsage / 1024), handles,
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(probe)));
    CloseHandle(probe);
}

}  // namespace

int main() {
    const bool comInitialized = veltar::InitializeComForQueries();
    if (!InitializeOls()) {
        std::fputs("report_rounds: WinRing0.dll could not be initialised; set VELTAR_SENSORS to a fixture.\n", stderr);
        return 1;
    }
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::u16string file = reinterpret_cast<const char16_t*>(folder) + std::u16string(u"veltar-rounds.prom");
    const std::vector<veltar::SensorKind> kept{veltar::SensorKind::Mainboard, veltar::SensorKind::Processor};
    int failed = 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    veltar::MachineReader reader;
    for (int round = 1; round <= kRounds; ++round) {
        const auto readings = veltar::KeepSensors(reader.Readings(), kept);
        if (veltar::ReplaceWholeFile(file, veltar::ToUtf8(veltar::FormatPrometheus(readings))) != ERROR_SUCCESS)
            ++failed;
        if (round == kWarmUp) PrintUsage("after 1,000 rounds");
    }
    QueryPerformanceCounter(&end);
    PrintUsage("after 10,000 rounds");
    std::printf("%.3f ms a round; %d rounds could not replace the file\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) /
                    kRounds,
                failed);
    DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
    DeinitializeOls();
    if (comInitialized) CoUninitialize();
    return failed == 0 ? 0 : 1;
}
