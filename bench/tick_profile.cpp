// Where a refresh tick's time goes: the real main window, on the real COM path
// (under Wine, the fixture provider) and the hardware-access library, refreshed
// a thousand times. Prints the median and the 90th percentile of a tick until
// its report is shown (built on the report thread, then painted),
// of the report alone and of each of its sources alone, of the paint (which
// ends with the tip update) and of the tip update alone.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/app_module.h"
#include "app/message_loop.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/winring0.h"
#include "standins/memory/memory_graphics_kernel.h"
#include "standins/memory/memory_hardware_access.h"
#include "standins/memory/memory_management_service.h"
#include "standins/memory/memory_storage_access.h"
#include "ui/main_dlg.h"

namespace {

constexpr int kRuns = 1000;

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

class Timings {
public:
    void Time(const std::function<void()>& work) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        m_samples.push_back(Milliseconds(end.QuadPart - start.QuadPart));
    }
    void Print(const char* what) {
        std::sort(m_samples.begin(), m_samples.end());
        std::printf("%-28s median %8.3f ms   90th percentile %8.3f ms\n", what, m_samples[m_samples.size() / 2],
                    m_samples[m_samples.size() * 9 / 10]);
    }

private:
    std::vector<double> m_samples;
};

// A tick of the refresh timer, then the window's messages until the report
// the tick asked for has been shown.
void TickUntilShown(HWND hWnd) {
    SendMessageW(hWnd, WM_TIMER, 1, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
        if (message.hwnd == hWnd && message.message == kReportReadyMessage) return;
    }
}

}  // namespace

int main() {
    const bool comInitialized = veltar::InitializeComForQueries();
    g_appModule.Init(GetModuleHandleW(nullptr));
    if (!InitializeOls()) {
        std::fputs("tick_profile: WinRing0.dll could not be initialised; set VELTAR_SENSORS to a fixture.\n", stderr);
        return 1;
    }
    CMessageLoop loop;
    g_appModule.RegisterLoop(&loop);
    {
        CMainDlg window;
        if (!window.Create(nullptr)) return 1;
        ShowWindow(window.m_hWnd, SW_SHOWNOACTIVATE);
        const HWND hWnd = window.m_hWnd;
        TickUntilShown(hWnd);  // the first report loads the COM machinery
        veltar::MachineReader reader;
        const std::u16string report = reader.Report();

        // Each source alone: the real one, the others in memory with nothing to read.
        const veltar::SensorFixture nothing;
        veltar::MemoryManagementService noService(nothing);
        veltar::WmiConnections noConnections(noService);
        veltar::MemoryStorageAccess noDrives(nothing);
        veltar::MemoryHardwareAccess noProcessors(nothing, 0u);
        veltar::MemoryGraphicsKernel noAdapters;
        veltar::ComManagementService service;
        veltar::WmiConnections connections(service);
        veltar::WinStorageAccess storage;
        veltar::WinRing0HardwareAccess hardware;
        veltar::Gdi32GraphicsKernel graphics;

        Timings tick, build, queries, drives, processors, adapters, paint, tip;
        for (int i = 0; i < kRuns; ++i) {
            tick.Time([&] { TickUntilShown(hWnd); });
            build.Time([&] { reader.Report(); });
            queries.Time([&] { veltar::GetTemperatureReadings({connections, noDrives, noProcessors, noAdapters}); });
            drives.Time([&] { veltar::GetTemperatureReadings({noConnections, storage, noProcessors, noAdapters}); });
            processors.Time([&] { veltar::GetTemperatureReadings({noConnections, noDrives, hardware, noAdapters}); });
            adapters.Time([&] { veltar::GetTemperatureReadings({noConnections, noDrives, noProcessors, graphics}); });
            paint.Time([&] { RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); });
            tip.Time([&] { window.SetTrayTip(report); });
        }
        std::printf("%d refreshes of the main window:\n", kRuns);
        tick.Print("tick until shown");
        build.Print("report");
        queries.Print("  management-service queries");
        drives.Print("  drives");
        processors.Print("  processors");
        adapters.Print("  graphics adapters");
        paint.Print("erase and paint, with tip");
        tip.Print("tip update");
        DestroyWindow(hWnd);
        window.StopReportWorker(std::chrono::seconds(5));
    }
    g_appModule.UnregisterLoop();
    DeinitializeOls();
    g_appModule.Term();
    if (comInitialized) CoUninitialize();
    return 0;
}
