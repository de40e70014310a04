// The floor of a refresh's own work: the real main window, its worker, paint,
// tray icon and tip and the recording of each report, every 750 ms, with the
// demo machine's readings handed over ready-made in place of any sensor.
// bench/refresh-cost runs it beside veltar.exe and the bare window, so that
// veltar.exe's figure less this one is what reading the sensors costs. Ends
// after the seconds given (default 60).
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>

#include "app/app_module.h"
#include "app/message_loop.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/winring0.h"
#include "ui/main_dlg.h"

namespace {

// The lines ./run.sh shows on the demo values, with their declared limits.
veltar::ReportWorker::Readings DemoReadings() {
    using veltar::SensorKind;
    veltar::ReportWorker::Readings readings{{SensorKind::Mainboard, 1, 38.95, {75.0, 90.0}},
                                            {SensorKind::Disk, 1, 36.0, {}},
                                            {SensorKind::Disk, 2, 41.0, {}},
                                            {SensorKind::Disk, 3, 38.0, {70.0, 80.0}}};
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    for (DWORD cpu = 1; cpu <= system.dwNumberOfProcessors && cpu <= 32; ++cpu)
        readings.push_back({SensorKind::Processor, cpu, cpu == 1 ? 42.0 : cpu == 2 ? 47.0 : 44.0, {std::nullopt, 100.0}});
    readings.push_back({SensorKind::Gpu, 1, 55.3, {88.0, 95.0}});
    return readings;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show) {
    const long seconds = arguments && *arguments ? std::wcstol(arguments, nullptr, 10) : 60;
    // Started as veltar.exe starts, whose first size comes from one reading at start-up.
    const bool comInitialized = veltar::InitializeComForQueries();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    g_appModule.Init(instance);
    const bool libraryInitialized = InitializeOls();
    CMessageLoop loop;
    g_appModule.RegisterLoop(&loop);
    {
        CMainDlg window([]() -> veltar::ReportWorker::Build { return [] { return DemoReadings(); }; });
        if (window.Create(nullptr)) {
            ShowWindow(window.m_hWnd, show);
            // A timer of its own thread ends the run; the window's timers are the window's.
            const UINT_PTR end = SetTimer(nullptr, 0, static_cast<UINT>(seconds > 0 ? seconds : 60) * 1000, nullptr);
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (message.hwnd == nullptr && message.message == WM_TIMER && message.wParam == end) break;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            KillTimer(nullptr, end);
            DestroyWindow(window.m_hWnd);
        }
        window.StopReportWorker(std::chrono::seconds(5));
    }
    g_appModule.UnregisterLoop();
    if (libraryInitialized) DeinitializeOls();
    g_appModule.Term();
    if (comInitialized) CoUninitialize();
    return 0;
}
