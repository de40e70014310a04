// A long session: the program refreshed ten thousand times, its tray menu and
// About box opened two hundred times each, holds its memory and handles flat.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <string>

#include "res/resource.h"
#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

// The private bytes committed.
SIZE_T CommittedMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return counters.PagefileUsage;
}

DWORD HandleCount(HANDLE process) {
    DWORD count = 0;
    GetProcessHandleCount(process, &count);
    return count;
}

struct Usage {
    SIZE_T memory;
    DWORD handles;
    DWORD gdiObjects;
    DWORD userObjects;
};

Usage UsageOf(HANDLE process) {
    return {CommittedMemory(process), HandleCount(process), GetGuiResources(process, GR_GDIOBJECTS),
            GetGuiResources(process, GR_USEROBJECTS)};
}

bool IsVisibleOfClass(HWND hWnd, const wchar_t* className) {
    wchar_t name[16] = {};
    GetClassNameW(hWnd, name, 16);
    return IsWindowVisible(hWnd) && std::wstring(name) == className;
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        // Every other refresh reads the probe at another value, so that each
        // report the window shows can be told from the one before.
        texts[0] = fixture.original();
        texts[1] = texts[0];
        texts[1].replace(texts[1].find("= VT_UI4 3121"), 13, "= VT_UI4 3131");
        for (int i : {1, 0}) {
            ASSERT_TRUE(fixture.Rewrite(texts[i]));
            reports[i] = ReportOf(fixture.path());
        }
        ASSERT_NE(reports[0], reports[1]);
        expectedReport = reports[0];
        program.emplace(L"veltar.exe", fixture.path());
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(WaitFor(*program, [&] {
            window = FindMainWindow(program->id());
            return window && IsWindowVisible(window);
        }));
    }

    // A tick of the refresh timer, delivered as the timer delivers it, and the
    // report it asked for, built on the program's report thread, shown.
    void Refresh(int times) {
        for (int i = 0; i < times; ++i) {
            shown ^= 1;
            ASSERT_TRUE(fixture.Rewrite(texts[shown]));
            SendMessageW(window, WM_TIMER, 1, 0);
            ASSERT_TRUE(WaitForText(reports[shown]));
        }
    }

    // Re-reads the window text with a short wait in between: a report takes
    // a few milliseconds.
    bool WaitForText(const std::wstring& expected) {
        const ULONGLONG end = GetTickCount64() + 20000;
        while (WindowText(window) != expected) {
            if (GetTickCount64() >= end || WaitForSingleObject(program->process(), 1) == WAIT_OBJECT_0) return false;
        }
        return true;
    }

    bool AnyVisible(const wchar_t* className) {
        for (HWND hWnd : WindowsOf(program->id()))
            if (IsVisibleOfClass(hWnd, className)) return true;
        return false;
    }

    // The tray menu opened by a right click on the icon and closed with Esc.
    void OpenAndCloseMenu(int times) {
        const UINT trayMessage = RegisterWindowMessageW(L"WM_TRAYICON");
        for (int i = 0; i < times; ++i) {
            PostMessageW(window, trayMessage, IDR_TRAYMENU, WM_RBUTTONUP);
            ASSERT_TRUE(WaitFor(*program, [&] { return AnyVisible(L"#32768"); }));
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            ASSERT_TRUE(WaitFor(*program, [&] { return !AnyVisible(L"#32768"); }));
        }
    }

    // The About box opened from the tray menu's command and closed with Esc.
    void OpenAndCloseAbout(int times) {
        for (int i = 0; i < times; ++i) {
            PostMessageW(window, WM_COMMAND, ID_TRAY_ABOUT, 0);
            HWND about = nullptr;
            ASSERT_TRUE(WaitFor(*program, [&] { return (about = FindAboutBox(program->id())) != nullptr; }));
            PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 0);
            ASSERT_TRUE(WaitFor(*program, [&] { return !IsWindow(about); }));
        }
    }

    void Exercise(int refreshes, int openings) {
        for (int round = 0; round < openings; ++round) {
            ASSERT_NO_FATAL_FAILURE(Refresh(refreshes / openings));
            OpenAndCloseMenu(1);
            OpenAndCloseAbout(1);
        }
    }

    LiveFixture fixture{L"window.txt"};
    std::string texts[2];
    std::wstring reports[2];
    int shown = 0;
    std::wstring expectedReport;
    std::optional<Program> program;
    HWND window = nullptr;
};

// After a warm-up of a tenth of the session, the rest may add at most 256 KiB of
// committed memory (about 26 bytes a refresh) and no handle: a leaked font,
// string or COM value in every refresh, or a menu or dialog in every opening,
// adds a megabyte or more.
constexpr SIZE_T kMemoryGrowthBound = 256 * 1024;

TEST_F(Soak, TenThousandRefreshesAndTwoHundredMenusAndAboutBoxesLeaveNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(Exercise(1000, 20));
    const Usage before = UsageOf(program->process());
    ASSERT_NO_FATAL_FAILURE(Exercise(9000, 180));
    const Usage after = UsageOf(program->process());
    // Kept in the test report, for the record of what a long session costs.
    RecordProperty("committed_memory_after_warm_up", std::to_string(before.memory));
    RecordProperty("committed_memory_at_the_end", std::to_string(after.memory));

    EXPECT_TRUE(program->IsRunning());
    EXPECT_EQ(WindowText(window), expectedReport);
    EXPECT_LE(after.memory, before.memory + kMemoryGrowthBound) << before.memory << " -> " << after.memory;
    EXPECT_LE(after.handles, before.handles);
    // Wine keeps no counts of these; Windows does.
    EXPECT_LE(after.gdiObjects, before.gdiObjects);
    EXPECT_LE(after.userObjects, before.userObjects);

    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(program->WaitForExit(), DWORD{2});
}

}  // namespace
}  // namespace veltar::driver
