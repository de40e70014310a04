// veltar.exe launched as a user launches it, on a known sensor fixture.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/e2e/program_driver.h"
#include "ui/report_lines.h"

namespace veltar::driver {
namespace {

constexpr wchar_t kProgram[] = L"veltar.exe";

class MainWindow : public ::testing::Test {
protected:
    void Launch(const std::wstring& fixtureName) {
        fixture = FixturePath(fixtureName);
        program.emplace(kProgram, fixture);
        ASSERT_TRUE(program->started());
        // Set-up is over once the window is shown.
        ASSERT_TRUE(WaitFor(*program, [&] {
            window = FindMainWindow(program->id());
            return window && IsWindowVisible(window);
        }));
    }

    void ExpectExitCodeAfter(UINT message, WPARAM wParam, DWORD expected) {
        PostMessageW(window, message, wParam, 0);
        EXPECT_EQ(program->WaitForExit(), expected);
        EXPECT_FALSE(IsWindow(window));
    }

    std::wstring fixture;
    std::optional<Program> program;
    HWND window = nullptr;
};

TEST_F(MainWindow, IsABorderlessTopmostPanelSizedFromTheFirstReport) {
    const std::wstring report = ReportOf(FixturePath(L"window.txt"));
    Launch(L"window.txt");

    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    for (int id : {IDOK, IDCANCEL, ID_APP_ABOUT}) EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, id))) << id;

    const ReportLines lines = ScanReportLines(std::u16string(report.begin(), report.end()));
    ASSERT_GT(lines.count, 3u);
    SIZE extent{};
    const HDC dc = GetDC(window);
    GetTextExtentExPointW(dc, reinterpret_cast<const wchar_t*>(lines.longest.c_str()),
                          static_cast<int>(lines.longest.size()), 0, nullptr, nullptr, &extent);
    ReleaseDC(window, dc);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.bottom, (static_cast<LONG>(lines.count) + 2) * 20);
    EXPECT_EQ(client.right, 2 * extent.cx);
}

TEST_F(MainWindow, ShowsTheReportAsItsTextFromTheFirstTickOn) {
    const std::wstring report = ReportOf(FixturePath(L"window.txt"));
    Launch(L"window.txt");
    EXPECT_EQ(WindowText(window), L"VELTAR");  // the first tick comes 750 ms after set-up
    EXPECT_TRUE(WaitFor(*program, [&] { return WindowText(window) != L"VELTAR"; }));
    EXPECT_EQ(WindowText(window), report);
}

TEST_F(MainWindow, EnterEndsTheProgramWithOne) {
    Launch(L"window.txt");
    ExpectExitCodeAfter(WM_KEYDOWN, VK_RETURN, 1);
}

TEST_F(MainWindow, EscapeEndsTheProgramWithTwo) {
    Launch(L"window.txt");
    ExpectExitCodeAfter(WM_KEYDOWN, VK_ESCAPE, 2);
}

TEST_F(MainWindow, ACloseRequestEndsTheProgramWithTwo) {
    Launch(L"window.txt");
    ExpectExitCodeAfter(WM_CLOSE, 0, 2);
}

TEST_F(MainWindow, ASecondInstanceEndsAtOnceAndTheFirstRunsOn) {
    Launch(L"window.txt");
    Program second(kProgram, fixture);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitForExit(), DWORD{0});
    EXPECT_TRUE(WindowsOf(second.id()).empty());
    EXPECT_TRUE(program->IsRunning());
    EXPECT_TRUE(IsWindowVisible(window));
    ExpectExitCodeAfter(WM_KEYDOWN, VK_ESCAPE, 2);
}

TEST(StartUp, WithoutTheHardwareLibraryAMessageBoxAppearsAndTheProgramEndsWithZero) {
    Program program(kProgram, std::nullopt);
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(CloseStartUpFailureBox(program));
    EXPECT_EQ(program.WaitForExit(), DWORD{0});
}

}  // namespace
}  // namespace veltar::driver
