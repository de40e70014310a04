// What the user sees and touches: the painted window and the tray icon's
// messages and menu, on the program launched as a user launches it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/program_driver.h"
#include "tests/e2e/window_capture.h"

namespace veltar::driver {
namespace {


class UserSession : public ::testing::Test {
protected:
    void Launch(const std::wstring& fixturePath) {
        program.emplace(L"veltar.exe", fixturePath);
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(WaitFor(*program, [&] {
            window = FindMainWindow(program->id());
            return window && IsWindowVisible(window);
        }));
    }
    bool WaitForFirstTick() {
        return WaitFor(*program, [&] { return WindowText(window) != L"VELTAR"; });
    }
    HWND OpenMenu() {
        PostMessageW(window, trayMessage, IDR_TRAYMENU, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitFor(*program, [&] {
            for (HWND hWnd : WindowsOf(program->id())) {
                wchar_t name[16] = {};
                GetClassNameW(hWnd, name, 16);
                if (IsWindowVisible(hWnd) && std::wstring(name) == L"#32768") menu = hWnd;
            }
            return menu != nullptr;
        });
        return menu;
    }
    bool MenuClosed() {
        return WaitFor(*program, [&] {
            for (HWND hWnd : WindowsOf(program->id())) {
                wchar_t name[16] = {};
                GetClassNameW(hWnd, name, 16);
                if (IsWindowVisible(hWnd) && std::wstring(name) == L"#32768") return false;
            }
            return true;
        });
    }
    void Key(UINT key) { PostMessageW(window, WM_KEYDOWN, key, 0); }

    const UINT trayMessage = RegisterWindowMessageW(L"WM_TRAYICON");
    std::optional<Program> program;
    HWND window = nullptr;
};

void ExpectFramedBackground(const Capture& image, int lines) {
    // The free rows below the last line, and the column just inside the left band.
    const int freeRow = kLineHeight * lines + 22;
    ASSERT_LT(freeRow, image.height - kBand);
    for (int x = 0; x < image.width; ++x) {
        const bool band = x < kBand || x >= image.width - kBand;
        EXPECT_EQ(image.At(x, freeRow), band ? kGreen : kBlue) << "column " << x;
    }
    for (int y = 0; y < image.height; ++y) {
        const bool band = y < kBand || y >= image.height - kBand;
        EXPECT_EQ(image.At(kBand, y), band ? kGreen : kBlue) << "row " << y;
    }
}

TEST_F(UserSession, TheWindowShowsTheReportInYellowOverItsBlueAndGreenBackground) {
    Launch(FixturePath(L"window.txt"));
    // Before the first tick: the background alone.
    ASSERT_TRUE(WaitFor(*program, [&] { return Capture(window).At(0, 0) == kGreen; }));
    const Capture before(window);
    const bool stillFirstPaint = WindowText(window) == L"VELTAR";
    EXPECT_EQ(before.TextPixelsInRows(0, before.height), 0);
    EXPECT_TRUE(stillFirstPaint) << "the first tick came before the capture";

    ASSERT_TRUE(WaitForFirstTick());
    ASSERT_TRUE(WaitFor(*program, [&] { return Capture(window).TextPixelsInRows(0, 36) > 0; }));
    const Capture after(window);
    const int lines = (after.height / kLineHeight) - 2;
    ASSERT_GT(lines, 3);
    ExpectFramedBackground(after, lines);
    for (int k = 0; k < lines; ++k) {
        const int top = 16 + kLineHeight * k;
        EXPECT_GT(after.TextPixelsInRows(top, top + kLineHeight), 0) << "line " << k;
    }
    EXPECT_EQ(after.TextPixelsInRows(16 + kLineHeight * lines, after.height), 0);
}

TEST_F(UserSession, ADoubleClickOnTheIconShowsTheHiddenWindowWhereItWas) {
    Launch(FixturePath(L"window.txt"));
    RECT placed{};
    GetWindowRect(window, &placed);
    SendMessageW(window, WM_COMMAND, ID_TRAY_HIDE, 0);
    ASSERT_FALSE(IsWindowVisible(window));

    // Another icon's messages do nothing.
    SendMessageW(window, trayMessage, IDR_TRAYMENU + 1, WM_LBUTTONDBLCLK);
    SendMessageW(window, trayMessage, IDR_TRAYMENU + 1, WM_RBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(window));
    // Neither do a single click, a press or a move over this icon.
    for (LPARAM mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE})
        SendMessageW(window, trayMessage, IDR_TRAYMENU, mouse);
    EXPECT_FALSE(IsWindowVisible(window));

    SendMessageW(window, trayMessage, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window));
    RECT shown{};
    GetWindowRect(window, &shown);
    EXPECT_TRUE(EqualRect(&placed, &shown));
}

TEST_F(UserSession, TheMenuOffersShowHideAboutAndQuitAndQuitEndsWithTwo) {
    Launch(FixturePath(L"window.txt"));
    const HWND menuWindow = OpenMenu();
    ASSERT_NE(menuWindow, nullptr);
    // The items' order, read through the keyboard: the second hides, the first shows, the last quits.
    // Down to "Hide": the window goes, the menu closes.
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor(*program, [&] { return !IsWindowVisible(window); }));
    ASSERT_TRUE(MenuClosed());
    // Down to "Show": it comes back.
    ASSERT_NE(OpenMenu(), nullptr);
    Key(VK_DOWN);
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor(*program, [&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(MenuClosed());
    // Up to the last item, "Quit".
    ASSERT_NE(OpenMenu(), nullptr);
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_EQ(program->WaitForExit(), DWORD{2});
}

// Asks the shell about the program's icon, changing nothing: true while it is there.
bool ShellHasIcon(HWND window, UINT message = NIM_MODIFY) {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = IDR_TRAYMENU;
    return Shell_NotifyIconW(message, &icon) != FALSE;
}

// Announces a new taskbar to every top-level window, as the shell does when it
// starts, and returns once they have all handled it.
void AnnounceNewTaskbar() {
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 10000,
                        nullptr);
}

TEST_F(UserSession, WhenTheTaskbarIsCreatedAgainTheIconComesBackOnce) {
    Launch(FixturePath(L"window.txt"));
    ASSERT_TRUE(WaitForFirstTick());
    ASSERT_TRUE(ShellHasIcon(window));
    // A restarted shell has lost the icon.
    ASSERT_TRUE(ShellHasIcon(window, NIM_DELETE));
    ASSERT_FALSE(ShellHasIcon(window));
    AnnounceNewTaskbar();
    EXPECT_TRUE(ShellHasIcon(window));

    // Announced while the icon is still there, it stays one icon: one removal takes it away.
    AnnounceNewTaskbar();
    EXPECT_TRUE(ShellHasIcon(window, NIM_DELETE));
    EXPECT_FALSE(ShellHasIcon(window, NIM_DELETE));

    // Back again, its menu works: Quit ends the program.
    AnnounceNewTaskbar();
    ASSERT_TRUE(ShellHasIcon(window));
    ASSERT_NE(OpenMenu(), nullptr);
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_EQ(program->WaitForExit(), DWORD{2});
}

TEST_F(UserSession, WhileHiddenTheWindowTextFollowsTheReport) {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring fixture = std::wstring(directory) + L"veltar-hidden-window.txt";
    // Written aside and moved into place, so the program reads either the old fixture or the new one whole.
    const auto write = [&](const char* mainboard) {
        const std::wstring next = fixture + L".next";
        {
            std::ofstream out(std::filesystem::path(next), std::ios::binary | std::ios::trunc);
            out << "wmi root\\CIMV2 Win32_TemperatureProbe\nobject\nCurrentTemperature = VT_UI4 " << mainboard
                << "\nmsr * 0x1A2 = 0x00640000\nmsr * 0x19C = 0x88380000\n";
            ASSERT_TRUE(out.good());
        }
        const auto replace = [&] { return MoveFileExW(next.c_str(), fixture.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; };
        // While the program runs, a replace that meets its brief read of the old file is refused: try again.
        ASSERT_TRUE(program ? WaitFor(*program, replace) : replace());
    };
    write("3121");
    Launch(fixture);
    ASSERT_TRUE(WaitForFirstTick());
    EXPECT_TRUE(WindowText(window).starts_with(L"主板-温度: 38.95℃\r\n"));
    SendMessageW(window, WM_COMMAND, ID_TRAY_HIDE, 0);
    write("3500");
    EXPECT_TRUE(WaitFor(*program, [&] { return WindowText(window).starts_with(L"主板-温度: 76.85℃\r\n"); }));
    EXPECT_FALSE(IsWindowVisible(window));
    DeleteFileW(fixture.c_str());
}

TEST_F(UserSession, AboutOpensTheAboutBoxFromTheMenuAndTheHiddenButton) {
    Launch(FixturePath(L"window.txt"));
    for (WORD command : {WORD{ID_TRAY_ABOUT}, WORD{ID_APP_ABOUT}}) {
        PostMessageW(window, WM_COMMAND, command, 0);
        HWND about = nullptr;
        ASSERT_TRUE(WaitFor(*program, [&] { return (about = FindAboutBox(program->id())) != nullptr; })) << command;
        EXPECT_EQ(GetWindowLongW(about, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
        EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), L"关闭");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(about, -1)));  // the text control; the text is painted
        PostMessageW(about, WM_KEYDOWN, command == ID_TRAY_ABOUT ? VK_ESCAPE : VK_RETURN, 0);
        ASSERT_TRUE(WaitFor(*program, [&] { return !IsWindow(about); }));
        EXPECT_TRUE(program->IsRunning());
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

}  // namespace
}  // namespace veltar::driver
