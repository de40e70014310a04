// Launches the program of the build as a user would and looks at its windows.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltar::driver {

// A launched process, ended when the object goes if it is still running.
class Program {
public:
    // Starts the program (a path, or a file name in the build's folder) with
    // VELTAR_SENSORS naming the fixture (none: unset) and the arguments.
    Program(const std::wstring& name, const std::optional<std::wstring>& fixture, const std::wstring& arguments = {});
    Program(Program&& other) noexcept;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    Program& operator=(Program&&) = delete;
    ~Program();

    bool started() const { return m_process != nullptr; }
    HANDLE process() const { return m_process; }
    DWORD id() const { return m_id; }
    // The exit code, or nothing when the process has not ended in time.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 20000) const;
    bool IsRunning() const;
    // What the process wrote to standard output and to standard error: all of
    // it once it has ended, what it wrote so far while it runs.
    std::string Output() const;
    std::string Errors() const;

private:
    class PipeReader;
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    std::unique_ptr<PipeReader> m_output;  // reads standard output as the process writes it
    std::unique_ptr<PipeReader> m_errors;  // and standard error
};

std::wstring FixturePath(const std::wstring& name);
// A path below the build's folder.
std::wstring BuildPath(const std::wstring& relative);
// The report that veltar-report of the build prints for the fixture.
std::wstring ReportOf(const std::wstring& fixture);

// The top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD processId);
// The main window: the dialog that carries the hidden About button.
HWND FindMainWindow(DWORD processId);
std::wstring WindowText(HWND hWnd);
// The process's visible About box, or null.
HWND FindAboutBox(DWORD processId);
// Waits for the box that says the hardware-access library did not start, shown
// before any main window, and closes it with Enter; false when no such box came.
bool CloseStartUpFailureBox(const Program& program);

// Re-checks the condition until it holds or the time is up, waiting on the
// process handle in between (so the wait ends early if the process ends).
template <typename Condition>
bool WaitFor(const Program& program, Condition condition, DWORD timeoutMs = 20000, DWORD pollMs = 20) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        if (WaitForSingleObject(program.process(), pollMs) == WAIT_OBJECT_0) return condition();
    }
}

std::wstring FromUtf8(const std::string& text);

// A new folder "veltar-<tag>-<process id>" in the temporary folder; empty when it cannot be made.
std::wstring NewTemporaryFolder(const std::wstring& tag);

// A file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& text);

// Wine loads a gdi32.dll beside veltar.exe and veltar-report.exe, started while
// the object lives, in place of its own: the per-program load order of its
// registry. The stand-in gdi32 there answers the graphics kernel's adapter calls.
class StandInGdi32 {
public:
    StandInGdi32();
    ~StandInGdi32();
    StandInGdi32(const StandInGdi32&) = delete;
    StandInGdi32& operator=(const StandInGdi32&) = delete;
};

// A fixture of the test's own, rewritten under the running program in one step
// (the fixture provider reads it at every query); deleted when the object goes.
class LiveFixture {
public:
    // Starts as a copy of the named fixture of tests/fixtures.
    explicit LiveFixture(const std::wstring& name);
    ~LiveFixture();
    LiveFixture(const LiveFixture&) = delete;
    LiveFixture& operator=(const LiveFixture&) = delete;

    const std::wstring& path() const { return m_path; }
    // The text it started with, to be edited for a rewrite.
    const std::string& original() const { return m_original; }
    // Replaces the whole file at once: a reader sees the old text or the new one.
    bool Rewrite(const std::string& text) const;

private:
    std::wstring m_path;
    std::string m_original;
};

}  // namespace veltar::driver
