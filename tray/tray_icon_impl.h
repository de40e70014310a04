// The notification-area icon of a window class T: added at set-up, its tip the
// window's last painted text, a menu on a right click and the default command on a
// double click, removed when the object goes.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <string_view>

#include "app/app_module.h"
#include "base/scoped_win.h"
#include "tray/tray_geometry.h"

// The record's layout without the trailing balloon-icon handle (952 bytes in an x86 build).
inline constexpr DWORD kTrayDataSize = offsetof(NOTIFYICONDATAW, hBalloonIcon);

template <class T>
class CTrayIconImpl {
public:
    CTrayIconImpl() : m_uTrayMessage(RegisterWindowMessageW(L"WM_TRAYICON")) {
        std::memset(&m_trayData, 0, sizeof m_trayData);
        m_trayData.cbSize = kTrayDataSize;
    }
    CTrayIconImpl(const CTrayIconImpl&) = delete;
    CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

    // Receives the popup after it is loaded and before it is shown.
    virtual void PrepareTrayMenu(HMENU) {}

    bool AddTrayIcon(std::u16string_view tip, HICON icon, UINT menuId) {
        m_trayData.hWnd = static_cast<T*>(this)->m_hWnd;
        m_trayData.uID = menuId;
        m_trayData.hIcon = icon;
        m_trayData.uCallbackMessage = m_uTrayMessage;
        m_trayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        CopyTip(tip);
        // The shell runs without the program's elevation; its broadcast must still get through.
        ChangeWindowMessageFilterEx(m_trayData.hWnd, m_uTaskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
        m_bTrayAdded = Shell_NotifyIconW(NIM_ADD, &m_trayData) != FALSE;
        return m_bTrayAdded;
    }

    // A new taskbar (the shell restarted) has lost every icon: this one is added
    // again, with its current tip. Where the icon is still there, the add fails and
    // nothing changes.
    LRESULT OnTaskbarCreated() {
        if (!m_trayData.hWnd) return 0;
        m_trayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (Shell_NotifyIconW(NIM_ADD, &m_trayData)) m_bTrayAdded = true;
        return 0;
    }

    // Made whether or not the icon was added; it then simply fails.
    bool SetTrayTip(std::u16string_view text) {
        m_trayData.uFlags = NIF_TIP;
        CopyTip(text);
        return Shell_NotifyIconW(NIM_MODIFY, &m_trayData) != FALSE;
    }

    // The icon at another size, after a change of display scale.
    bool SetTrayIcon(HICON icon) {
        m_trayData.hIcon = icon;
        m_trayData.uFlags = NIF_ICON;
        return Shell_NotifyIconW(NIM_MODIFY, &m_trayData) != FALSE;
    }

    // A balloon from the icon with a warning sign. Send it once per event: each
    // further one restarts the shell's delay before it is shown.
    bool ShowTrayBalloon(std::u16string_view title, std::u16string_view text) {
        m_trayData.uFlags = NIF_INFO;
        CopyFitted(m_trayData.szInfoTitle, title);
        CopyFitted(m_trayData.szInfo, text);
        m_trayData.dwInfoFlags = NIIF_WARNING;
        return Shell_NotifyIconW(NIM_MODIFY, &m_trayData) != FALSE;
    }

    LRESULT OnTrayNotify(UINT, WPARAM wParam, LPARAM lParam) {
        if (wParam != m_trayData.uID) return 0;
        const UINT mouse = LOWORD(lParam);
        if (mouse == WM_RBUTTONUP) ShowTrayMenu();
        else if (mouse == WM_LBUTTONDBLCLK) RunDefaultCommand();
        return 0;
    }

    void DeleteTrayIcon() {
        if (!m_bTrayAdded) return;
        m_trayData.uFlags = 0;
        Shell_NotifyIconW(NIM_DELETE, &m_trayData);
        m_bTrayAdded = false;
    }

    // The popup's x: unchanged on a monitor, else clamped into the nearest monitor's work area.
    int FitMenuX(int x, int y) {
        const POINT point{x, y};
        if (MonitorFromPoint(point, MONITOR_DEFAULTTONULL)) return x;
        const HMONITOR nearest = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (!nearest || !GetMonitorInfoW(nearest, &info)) return x;
        return veltar::ClampMenuX(x, info.rcWork.left, info.rcWork.right);
    }

    UINT m_uTrayMessage;
    NOTIFYICONDATAW m_trayData;
    bool m_bTrayAdded = false;
    UINT m_nDefaultCommand = 0;  // 0: the popup's first item
    // Broadcast by the shell when its taskbar is created.
    UINT m_uTaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

protected:
    ~CTrayIconImpl() { DeleteTrayIcon(); }

private:
    HWND Window() const { return static_cast<const T*>(this)->m_hWnd; }

    void CopyTip(std::u16string_view text) { CopyFitted(m_trayData.szTip, text); }

    // The text, cut to fit the field with its terminator.
    template <std::size_t N>
    static void CopyFitted(WCHAR (&field)[N], std::u16string_view text) {
        const std::u16string_view fitted = veltar::FitTip(text, N);
        std::memcpy(field, fitted.data(), fitted.size() * sizeof(char16_t));
        field[fitted.size()] = L'\0';
    }

    // A fresh copy of the menu resource for every use, destroyed afterwards.
    class LoadedMenu {
    public:
        explicit LoadedMenu(UINT id)
            : m_menu(LoadMenuW(g_appModule.GetResourceInstance(), MAKEINTRESOURCEW(id))) {}
        LoadedMenu(const LoadedMenu&) = delete;
        LoadedMenu& operator=(const LoadedMenu&) = delete;
        ~LoadedMenu() {
            if (m_menu && !DestroyMenu(m_menu)) DestroyMenu(m_menu);
        }
        HMENU get() const { return m_menu; }

    private:
        HMENU m_menu;
    };

    void ShowTrayMenu() {
        const LoadedMenu menu(m_trayData.uID);
        if (!menu.get()) return;
        const HMENU popup = GetSubMenu(menu.get(), 0);
        PrepareTrayMenu(popup);
        POINT cursor{0, 0};
        GetCursorPos(&cursor);
        // The menu closes when the user clicks elsewhere only if its owner is the
        // foreground window.
        SetForegroundWindow(Window());
        if (m_nDefaultCommand == 0) SetMenuDefaultItem(popup, 0, TRUE);
        else SetMenuDefaultItem(popup, m_nDefaultCommand, FALSE);
        TrackPopupMenu(popup, 0, FitMenuX(cursor.x, cursor.y), cursor.y, 0, Window(), nullptr);
        // Lets the menu's owner take the next message, so a second click on the icon works.
        PostMessageW(Window(), WM_NULL, 0, 0);
    }

    void RunDefaultCommand() {
        SetForegroundWindow(Window());
        const LoadedMenu menu(m_trayData.uID);
        if (!menu.get()) return;
        const HMENU popup = GetSubMenu(menu.get(), 0);
        const UINT command = m_nDefaultCommand ? m_nDefaultCommand : GetMenuItemID(popup, 0);
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
};
