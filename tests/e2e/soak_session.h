// A long session of the program as a user has it: the window refreshed again
// and again, the tray menu and the About box opened and closed, and what the
// process holds measured between rounds. The soak test and the soak run share it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/e2e/program_driver.h"

namespace veltar::driver {

struct Usage {
    SIZE_T memory = 0;         // private bytes committed
    DWORD handles = 0;         // as the system counts them (Wine counts none)
    ULONG_PTR nextHandle = 0;  // the value the process's next handle gets: it grows with every handle kept
    DWORD gdiObjects = 0;      // Wine keeps no counts of these; Windows does
    DWORD userObjects = 0;
};

class SoakSession {
public:
    SoakSession();
    bool started() const { return m_window != nullptr; }
    const Program& program() const { return *m_program; }
    HWND window() const { return m_window; }
    // The report the window shows after the last refresh.
    const std::wstring& expectedReport() const { return m_reports[m_shown]; }

    // Refreshes as often as asked, and opens and closes the tray menu and the
    // About box that many times, spread evenly; false at the first step that failed.
    bool Exercise(int refreshes, int openings);
    Usage UsageNow() const;

private:
    bool Refresh(int times);
    bool OpenAndCloseMenu();
    bool OpenAndCloseAbout();
    bool AnyVisible(const wchar_t* className) const;

    LiveFixture m_fixture{L"window.txt"};
    std::string m_texts[2];
    std::wstring m_reports[2];
    int m_shown = 0;
    std::optional<Program> m_program;
    HWND m_window = nullptr;
};

}  // namespace veltar::driver
