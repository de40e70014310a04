#include "tests/e2e/program_driver.h"

#include <utility>

#include "res/resource.h"

namespace veltar::driver {
namespace {

std::wstring BuildDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    return directory.substr(0, directory.find_last_of(L"\\/"));
}

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// The current environment with VELTAR_SENSORS set to the fixture or removed.
std::wstring EnvironmentBlock(const std::optional<std::wstring>& fixture) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"VELTAR_SENSORS=", 15) == 0) continue;
        block.append(entry).push_back(L'\0');
    }
    FreeEnvironmentStringsW(strings);
    if (fixture) block.append(L"VELTAR_SENSORS=" + *fixture).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

}  // namespace

// Reads a pipe to its end on a thread of its own, so that a program that
// writes more than the pipe holds never waits for the test to read it.
class Program::PipeReader {
public:
    explicit PipeReader(HANDLE pipe) : m_pipe(pipe) {
        InitializeCriticalSection(&m_lock);
        m_thread = CreateThread(nullptr, 0, &PipeReader::Run, this, 0, nullptr);
    }
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;
    ~PipeReader() {
        if (m_thread) {
            if (WaitForSingleObject(m_thread, 5000) != WAIT_OBJECT_0) {
                CancelSynchronousIo(m_thread);
                WaitForSingleObject(m_thread, 5000);
            }
            CloseHandle(m_thread);
        }
        CloseHandle(m_pipe);
        DeleteCriticalSection(&m_lock);
    }
    // What was read, waiting up to the time given for the pipe's end.
    std::string Text(DWORD waitMs) {
        if (m_thread) WaitForSingleObject(m_thread, waitMs);
        EnterCriticalSection(&m_lock);
        std::string text = m_text;
        LeaveCriticalSection(&m_lock);
        return text;
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* reader = static_cast<PipeReader*>(self);
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(reader->m_pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            EnterCriticalSection(&reader->m_lock);
            reader->m_text.append(buffer, read);
            LeaveCriticalSection(&reader->m_lock);
        }
        return 0;
    }

    HANDLE m_pipe;
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_lock;
    std::string m_text;
};

Program::Program(const std::wstring& name, const std::optional<std::wstring>& fixture, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&outputRead, &outputWrite, &inheritable, 1 << 16)) return;
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE errorsRead = nullptr;
    HANDLE errorsWrite = nullptr;
    if (!CreatePipe(&errorsRead, &errorsWrite, &inheritable, 1 << 16)) {
        CloseHandle(outputRead);
        CloseHandle(outputWrite);
        return;
    }
    SetHandleInformation(errorsRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outputWrite;
    startup.hStdError = errorsWrite;
    const bool isPath = name.find_first_of(L"\\/:") != std::wstring::npos;
    std::wstring commandLine = L"\"" + (isPath ? name : BuildPath(name)) + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::wstring environment = EnvironmentBlock(fixture);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
    CloseHandle(outputWrite);
    CloseHandle(errorsWrite);
    m_output = std::make_unique<PipeReader>(outputRead);
    m_errors = std::make_unique<PipeReader>(errorsRead);
}

Program::Program(Program&& other) noexcept
    : m_process(std::exchange(other.m_process, nullptr)),
      m_id(other.m_id),
      m_output(std::move(other.m_output)),
      m_errors(std::move(other.m_errors)) {}

Program::~Program() {
    if (m_process) {
        if (IsRunning()) {
            TerminateProcess(m_process, 99);
            WaitForSingleObject(m_process, 5000);
        }
        CloseHandle(m_process);
    }
}

std::optional<DWORD> Program::WaitForExit(DWORD timeoutMs) const {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

bool Program::IsRunning() const { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

// Once the process has ended its pipes end as soon as what it wrote is read.
std::string Program::Output() const { return m_output ? m_output->Text(IsRunning() ? 0 : 5000) : std::string(); }

std::string Program::Errors() const { return m_errors ? m_errors->Text(IsRunning() ? 0 : 5000) : std::string(); }

std::wstring FixturePath(const std::wstring& name) { return Environment(L"VELTAR_FIXTURES") + L"\\" + name; }

std::wstring BuildPath(const std::wstring& relative) { return BuildDirectory() + L"\\" + relative; }

std::wstring ReportOf(const std::wstring& fixture) {
    Program report(L"veltar-report.exe", fixture);
    if (!report.started() || report.WaitForExit() != DWORD{0}) return {};
    return FromUtf8(report.Output());
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;

    static BOOL CALLBACK Visit(HWND hWnd, LPARAM p) {
        auto* search = reinterpret_cast<WindowSearch*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(hWnd, &owner);
        if (owner == search->processId) search->found.push_back(hWnd);
        return TRUE;
    }
};

std::vector<HWND> WindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(WindowSearch::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMainWindow(DWORD processId) {
    for (HWND hWnd : WindowsOf(processId))
        if (GetDlgItem(hWnd, ID_APP_ABOUT)) return hWnd;
    return nullptr;
}

HWND FindAboutBox(DWORD processId) {
    for (HWND hWnd : WindowsOf(processId))
        if (IsWindowVisible(hWnd) && WindowText(hWnd) == L"About") return hWnd;
    return nullptr;
}

bool CloseStartUpFailureBox(const Program& program) {
    HWND box = nullptr;
    WaitFor(program, [&] {
        for (HWND hWnd : WindowsOf(program.id()))
            if (IsWindowVisible(hWnd) && WindowText(hWnd) == L"Message") box = hWnd;
        return box != nullptr;
    });
    if (!box || FindMainWindow(program.id())) return false;
    std::wstring texts;  // each child's text followed by "|"
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += WindowText(child) + L"|";
    if (texts.find(L"|Error InitializeOls()!|") == std::wstring::npos) return false;
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

std::wstring WindowText(HWND hWnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring NewTemporaryFolder(const std::wstring& tag) {
    wchar_t temporary[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary) + L"veltar-" + tag + L"-" + std::to_wstring(GetCurrentProcessId());
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string text;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok;
}

namespace {

constexpr const wchar_t* kGdi32Programs[] = {L"veltar.exe", L"veltar-report.exe"};

std::wstring OverridesKey(const wchar_t* program) {
    return std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\DllOverrides";
}

}  // namespace

StandInGdi32::StandInGdi32() {
    for (const wchar_t* program : kGdi32Programs)
        RegSetKeyValueW(HKEY_CURRENT_USER, OverridesKey(program).c_str(), L"gdi32", REG_SZ, L"native,builtin",
                        sizeof L"native,builtin");
}

StandInGdi32::~StandInGdi32() {
    for (const wchar_t* program : kGdi32Programs) RegDeleteKeyW(HKEY_CURRENT_USER, OverridesKey(program).c_str());
}

LiveFixture::LiveFixture(const std::wstring& name) : m_original(ReadWholeFile(FixturePath(name))) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"vfx", 0, file);
    m_path = file;
    WriteWholeFile(m_path, m_original);
}

LiveFixture::~LiveFixture() { DeleteFileW(m_path.c_str()); }

bool LiveFixture::Rewrite(const std::string& text) const {
    const std::wstring next = m_path + L".new";
    if (!WriteWholeFile(next, text)) return false;
    // A file that a reader has open cannot be replaced; the provider holds it
    // for a moment at each query.
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (MoveFileExW(next.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        if (GetLastError() != ERROR_ACCESS_DENIED && GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(1);
    }
    DeleteFileW(next.c_str());
    return false;
}

}  // namespace veltar::driver
