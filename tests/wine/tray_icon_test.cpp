// The tray mix-in in this process, on a host dialog, with the program's own
// menu resource linked into the tests.
#include "tray/tray_icon_impl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dialog_impl.h"
#include "res/resource.h"

namespace {

class TrayHost : public CTrayIconImpl<TrayHost>, public CDialogImpl<TrayHost> {
public:
    enum { IDD = IDD_ABOUTBOX };

    BOOL ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, DWORD) override {
        if (uMsg == m_uTrayMessage) {
            lResult = OnTrayNotify(uMsg, wParam, lParam);
            return TRUE;
        }
        if (uMsg == WM_INITMENUPOPUP) {
            // The popup as the user sees it; then close it without choosing.
            popup = reinterpret_cast<HMENU>(wParam);
            defaultItem = GetMenuDefaultItem(popup, TRUE, 0);
            for (int i = 0; i < GetMenuItemCount(popup); ++i) {
                wchar_t text[32] = {};
                GetMenuStringW(popup, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
                items.push_back({GetMenuItemID(popup, i), text});
            }
            EndMenu();
            return TRUE;
        }
        if (uMsg == WM_COMMAND) {
            commands.push_back(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }

    HMENU popup = nullptr;
    UINT defaultItem = 0;
    std::vector<std::pair<UINT, std::wstring>> items;
    std::vector<WORD> commands;
};

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        g_appModule.Init(GetModuleHandleW(nullptr));
        ASSERT_NE(host.Create(nullptr), nullptr);
        added = host.AddTrayIcon(u"TRAYICON", LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAYMENU);
    }
    void TearDown() override {
        host.DeleteTrayIcon();
        DestroyWindow(host.m_hWnd);
        g_appModule.Term();
    }
    LRESULT Notify(WPARAM id, LPARAM mouse) { return SendMessageW(host.m_hWnd, host.m_uTrayMessage, id, mouse); }

    TrayHost host;
    bool added = false;
};

TEST_F(TrayIcon, TheRecordLeavesOutTheBalloonIconHandle) {
    EXPECT_NE(host.m_uTrayMessage, 0u);
    EXPECT_EQ(host.m_uTrayMessage, RegisterWindowMessageW(L"WM_TRAYICON"));
    if (sizeof(void*) == 4) {
        EXPECT_EQ(host.m_trayData.cbSize, 952u);
    }
    EXPECT_EQ(host.m_trayData.cbSize, sizeof(NOTIFYICONDATAW) - sizeof(HICON));
}

TEST_F(TrayIcon, AddsTheIconAndFitsLongTipsIntoTheField) {
    ASSERT_TRUE(added);
    EXPECT_TRUE(host.m_bTrayAdded);
    EXPECT_EQ(host.m_trayData.uFlags, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP});
    EXPECT_STREQ(host.m_trayData.szTip, L"TRAYICON");
    std::u16string report;
    for (int i = 0; i < 12; ++i) report += u"CPU" + std::u16string(1, char16_t(u'A' + i)) + u"-温度: 45.00℃\r\n";
    EXPECT_TRUE(host.SetTrayTip(report));
    EXPECT_EQ(host.m_trayData.uFlags, UINT{NIF_TIP});
    EXPECT_EQ(std::wstring(host.m_trayData.szTip), std::wstring(report.begin(), report.begin() + 127));
}

TEST_F(TrayIcon, ARightClickShowsTheMenuWithShowAsDefaultAndDestroysItAfterwards) {
    Notify(IDR_TRAYMENU, WM_RBUTTONUP);
    const std::vector<std::pair<UINT, std::wstring>> expected = {
        {3001, L"Show"}, {3002, L"Hide"}, {3003, L"About"}, {2, L"Quit"}};
    EXPECT_EQ(host.items, expected);
    EXPECT_EQ(host.defaultItem, 0u);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_FALSE(IsMenu(host.popup));  // the loaded copy is gone
}

TEST_F(TrayIcon, ADoubleClickCarriesOutShowWithoutAMenu) {
    Notify(IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_EQ(host.commands, std::vector<WORD>{ID_TRAY_SHOW});
    EXPECT_TRUE(host.items.empty());
}

TEST_F(TrayIcon, OnlyItsOwnIconsReleaseAndDoubleClickAct) {
    Notify(IDR_TRAYMENU + 1, WM_RBUTTONUP);
    Notify(IDR_TRAYMENU + 1, WM_LBUTTONDBLCLK);
    for (LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_CONTEXTMENU})
        Notify(IDR_TRAYMENU, mouse);
    EXPECT_TRUE(host.items.empty());
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(TrayIcon, TheMenuStaysOnScreenWhereverTheCursorIs) {
    const int right = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ(host.FitMenuX(100, 100), 100);
    EXPECT_EQ(host.FitMenuX(-500, 100), 0);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    EXPECT_EQ(host.FitMenuX(right + 500, 100), info.rcWork.right);
}

}  // namespace
