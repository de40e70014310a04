#include "ui/disk_arrivals.h"

#include <dbt.h>
#include <initguid.h>
#include <winioctl.h>

#include "base/scoped_win.h"

namespace veltar {
namespace {

constexpr DWORD kStartWaitMs = 5000;

LRESULT CALLBACK DiskArrivalsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return 0;
    }
    if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        auto* changes = reinterpret_cast<DriveChanges*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE && changes) changes->Raise();
        return TRUE;
    }
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

DiskArrivals::DiskArrivals(std::shared_ptr<DriveChanges> changes) : m_changes(std::move(changes)) {
    const ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready) return;
    m_thread = std::thread(&DiskArrivals::Run, this, ready.get());
    // The window is made, or not, before the constructor returns.
    WaitForSingleObject(ready.get(), kStartWaitMs);
}

DiskArrivals::~DiskArrivals() {
    if (!m_thread.joinable()) return;
    if (const HWND window = m_window.load()) PostMessageW(window, WM_CLOSE, 0, 0);
    m_thread.join();
}

void DiskArrivals::Run(HANDLE ready) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DiskArrivalsProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kDiskArrivalsClass;
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, kDiskArrivalsClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, m_changes.get());
    HDEVNOTIFY registration = nullptr;
    if (window) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = GUID_DEVINTERFACE_DISK;
        registration = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!registration) {
            DestroyWindow(window);
        } else {
            m_window = window;
        }
    }
    const bool listening = m_window.load() != nullptr;
    SetEvent(ready);
    if (listening) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        UnregisterDeviceNotification(registration);
    }
    UnregisterClassW(kDiskArrivalsClass, windowClass.hInstance);
}

}  // namespace veltar
