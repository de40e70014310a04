// veltar.exe: start-up, the run of the main window and the orderly shutdown.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <chrono>

#include "app/app_module.h"
#include "app/message_loop.h"
#include "base/scoped_win.h"
#include "sensors/platform/com_setup.h"
#include "sensors/platform/winring0.h"
#include "ui/main_dlg.h"

namespace {

constexpr wchar_t kInstanceMutexName[] = L"__VELTAR__MODULE__ONCE__";
// How long shutdown waits for a report being built: a stalled sensor must not
// keep the program from ending.
constexpr std::chrono::milliseconds kReportWorkerWait{500};

// False while a report may still be reading registers on the report thread.
bool g_reportsEnded = true;

}  // namespace

// Runs the main window until the quit message; 0 when the window cannot be created.
int RunMainWindow(LPWSTR, int nCmdShow) {
    CMessageLoop theLoop;
    g_appModule.RegisterLoop(&theLoop);
    int nRet = 0;
    {
        CMainDlg dlgMain;
        if (dlgMain.Create(nullptr)) {
            ShowWindow(dlgMain.m_hWnd, nCmdShow);
            nRet = theLoop.RunLoop();
            g_appModule.UnregisterLoop();
        }
        g_reportsEnded = dlgMain.StopReportWorker(kReportWorkerWait);
    }
    return nRet;
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow) {
    // The mutex guards the single instance for as long as the process lives.
    const veltar::ScopedHandle instanceMutex(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) ExitProcess(0);

    const bool comInitialized = veltar::InitializeComForQueries();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    g_appModule.Init(hInstance);

    if (!InitializeOls()) {
        MessageBoxW(nullptr, L"Error InitializeOls()!", L"Message", MB_OK | MB_ICONINFORMATION);
        return 0;
    }

    const int nRet = RunMainWindow(lpCmdLine, nCmdShow);

    // Never released under a register read: when the report thread did not come
    // back in time, the process ends with the library as it is.
    if (g_reportsEnded) DeinitializeOls();
    g_appModule.Term();
    if (comInitialized) CoUninitialize();
    return nRet;
}
