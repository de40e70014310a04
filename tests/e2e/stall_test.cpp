// A sensor that stalls, played by the fixture provider: the window keeps
// answering, showing the last report it had, takes the late report when it
// comes, and ends at once when asked to, however long the stall.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

constexpr char kDiskClass[] = "wmi root\\WMI MSStorageDriver_ATAPISmartData\n";

// window.txt with the probe at another reading and the disks' query stalled.
std::string Stalled(const std::string& original, const char* probe, const char* stall) {
    std::string text = original;
    text.replace(text.find("= VT_UI4 3121"), 13, std::string("= VT_UI4 ") + probe);
    text.replace(text.find(kDiskClass), sizeof kDiskClass - 1, std::string(kDiskClass) + "stall " + stall + "\n");
    return text;
}

// The report of the same text, as veltar-report prints it.
std::wstring ReportOfText(const std::string& text) {
    const LiveFixture copy(L"window.txt");
    copy.Rewrite(text);
    return ReportOf(copy.path());
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result) != 0;
}

TEST(StalledSensor, TheWindowAnswersShowsTheLateReportAndQuitsAtOnce) {
    const LiveFixture fixture(L"window.txt");
    const std::string eightSeconds = Stalled(fixture.original(), "3131", "8000");
    const std::string forever = Stalled(fixture.original(), "3141", "forever");
    const std::string primed = Stalled(fixture.original(), "3126", "0");
    const std::wstring before = ReportOfText(primed);
    const std::wstring after = ReportOfText(Stalled(fixture.original(), "3131", "0"));
    const std::wstring never = ReportOfText(Stalled(fixture.original(), "3141", "0"));
    ASSERT_NE(before, after);

    Program program(L"veltar.exe", fixture.path());
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor(program, [&] {
        window = FindMainWindow(program.id());
        return window && IsWindowVisible(window);
    }));
    // Each rewrite follows a report just shown, so the next tick's build is the
    // first to read it.
    ASSERT_TRUE(fixture.Rewrite(primed));
    ASSERT_TRUE(WaitFor(program, [&] { return WindowText(window) == before; }));

    ASSERT_TRUE(fixture.Rewrite(eightSeconds));
    const ULONGLONG rewritten = GetTickCount64();
    // Through the stall: every message is answered, the last report stays, and
    // the tray menu's Hide and Show take effect.
    EXPECT_FALSE(WaitFor(program, [&] { return !Answers(window) || WindowText(window) != before; }, 2000));
    PostMessageW(window, WM_COMMAND, ID_TRAY_HIDE, 0);
    EXPECT_TRUE(WaitFor(program, [&] { return !IsWindowVisible(window); }, 2500));
    PostMessageW(window, WM_COMMAND, ID_TRAY_SHOW, 0);
    EXPECT_TRUE(WaitFor(program, [&] { return IsWindowVisible(window) != FALSE; }, 2500));

    // The stall began at the first tick after the rewrite; the report it held
    // back shows within two ticks of its end.
    ASSERT_TRUE(WaitFor(program, [&] { return WindowText(window) == after; }, 15000));
    EXPECT_GE(GetTickCount64() - rewritten, 8000u);
    EXPECT_LE(GetTickCount64() - rewritten, 750u + 8000u + 2 * 750u);

    // A build that never comes back: no later report shows, and Quit still ends
    // the program at once with its usual exit code.
    ASSERT_TRUE(fixture.Rewrite(forever));
    EXPECT_FALSE(WaitFor(program, [&] { return WindowText(window) == never; }, 2500));
    EXPECT_TRUE(Answers(window));
    const ULONGLONG quit = GetTickCount64();
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(8000), DWORD{2});
    EXPECT_LE(GetTickCount64() - quit, 5000u);
}

}  // namespace
}  // namespace veltar::driver
