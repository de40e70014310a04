#include "tests/e2e/soak_session.h"

#include <psapi.h>

#include <algorithm>

#include "res/resource.h"

namespace veltar::driver {
namespace {

SIZE_T CommittedMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return counters.PagefileUsage;
}

// A handle given to the process takes its lowest free slot: its value, given
// back at once.
ULONG_PTR NextHandle(HANDLE process) {
    HANDLE given = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), process, &given, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return 0;
    // Taken back to be closed here: Wine does not close a source with no target.
    HANDLE back = nullptr;
    if (DuplicateHandle(process, given, GetCurrentProcess(), &back, 0, FALSE,
                        DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS))
        CloseHandle(back);
    return reinterpret_cast<ULONG_PTR>(given);
}

bool IsVisibleOfClass(HWND hWnd, const wchar_t* className) {
    wchar_t name[16] = {};
    GetClassNameW(hWnd, name, 16);
    return IsWindowVisible(hWnd) && std::wstring(name) == className;
}

}  // namespace

SoakSession::SoakSession() {
    // Every other refresh reads the probe at another value, so that each
    // report the window shows can be told from the one before.
    m_texts[0] = m_fixture.original();
    m_texts[1] = m_texts[0];
    m_texts[1].replace(m_texts[1].find("= VT_UI4 3121"), 13, "= VT_UI4 3131");
    for (int i : {1, 0}) {
        if (!m_fixture.Rewrite(m_texts[i])) return;
        m_reports[i] = ReportOf(m_fixture.path());
    }
    if (m_reports[0].empty() || m_reports[0] == m_reports[1]) return;
    m_program.emplace(L"veltar.exe", m_fixture.path());
    if (!m_program->started()) return;
    HWND window = nullptr;
    if (WaitFor(*m_program, [&] { return (window = FindMainWindow(m_program->id())) && IsWindowVisible(window); }))
        m_window = window;
}

// A tick of the refresh timer, delivered as the timer delivers it, and the
// report it asked for, built on the program's report thread, shown.
bool SoakSession::Refresh(int times) {
    for (int i = 0; i < times; ++i) {
        m_shown ^= 1;
        if (!m_fixture.Rewrite(m_texts[m_shown])) return false;
        SendMessageW(m_window, WM_TIMER, 1, 0);
        // A report takes a few milliseconds.
        if (!WaitFor(*m_program, [&] { return WindowText(m_window) == m_reports[m_shown]; }, 20000, 1)) return false;
    }
    return true;
}

bool SoakSession::AnyVisible(const wchar_t* className) const {
    for (HWND hWnd : WindowsOf(m_program->id()))
        if (IsVisibleOfClass(hWnd, className)) return true;
    return false;
}

// The tray menu opened by a right click on the icon and closed with Esc.
bool SoakSession::OpenAndCloseMenu() {
    const UINT trayMessage = RegisterWindowMessageW(L"WM_TRAYICON");
    PostMessageW(m_window, trayMessage, IDR_TRAYMENU, WM_RBUTTONUP);
    if (!WaitFor(*m_program, [&] { return AnyVisible(L"#32768"); })) return false;
    PostMessageW(m_window, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitFor(*m_program, [&] { return !AnyVisible(L"#32768"); });
}

// The About box opened from the tray menu's command and closed with Esc.
bool SoakSession::OpenAndCloseAbout() {
    PostMessageW(m_window, WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND about = nullptr;
    if (!WaitFor(*m_program, [&] { return (about = FindAboutBox(m_program->id())) != nullptr; })) return false;
    PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitFor(*m_program, [&] { return !IsWindow(about); });
}

bool SoakSession::Exercise(int refreshes, int openings) {
    for (int round = 0; round < openings; ++round)
        if (!Refresh(refreshes / openings) || !OpenAndCloseMenu() || !OpenAndCloseAbout()) return false;
    return Refresh(openings > 0 ? refreshes % openings : refreshes);
}

// The program's own refresh timer may be building a report at any moment, with
// a file or a key of its own open for a few milliseconds: of samples spread over
// a quarter of a second, the lowest of each count is the one between builds.
Usage SoakSession::UsageNow() const {
    const HANDLE process = m_program->process();
    constexpr int kSamples = 25;
    constexpr DWORD kApartMs = 10;
    Usage lowest;
    for (int i = 0; i < kSamples; ++i) {
        if (i > 0) Sleep(kApartMs);
        Usage usage;
        usage.memory = CommittedMemory(process);
        GetProcessHandleCount(process, &usage.handles);
        usage.nextHandle = NextHandle(process);
        usage.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
        usage.userObjects = GetGuiResources(process, GR_USEROBJECTS);
        if (i == 0) lowest = usage;
        lowest.memory = std::min(lowest.memory, usage.memory);
        lowest.handles = std::min(lowest.handles, usage.handles);
        lowest.nextHandle = std::min(lowest.nextHandle, usage.nextHandle);
        lowest.gdiObjects = std::min(lowest.gdiObjects, usage.gdiObjects);
        lowest.userObjects = std::min(lowest.userObjects, usage.userObjects);
    }
    return lowest;
}

}  // namespace veltar::driver
