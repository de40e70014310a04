// veltar-report writing to a console: wide characters, so that the labels and
// the degree sign show whatever the console's code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

// A console of the test's own, given up again when the object goes.
class OwnConsole {
public:
    OwnConsole() {
        for (int i = 0; i < 3; ++i) m_saved[i] = GetStdHandle(kStreams[i]);
        FreeConsole();
        m_allocated = AllocConsole();
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        m_output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);
    }
    ~OwnConsole() {
        if (m_output != INVALID_HANDLE_VALUE) CloseHandle(m_output);
        if (m_allocated) FreeConsole();
        for (int i = 0; i < 3; ++i) SetStdHandle(kStreams[i], m_saved[i]);
    }
    OwnConsole(const OwnConsole&) = delete;
    OwnConsole& operator=(const OwnConsole&) = delete;

    bool ready() const { return m_allocated && m_output != INVALID_HANDLE_VALUE; }
    HANDLE output() const { return m_output; }

    // The rows up to the cursor, each without its trailing blanks, joined by "\r\n".
    std::wstring Text() const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(m_output, &info);
        std::wstring text;
        std::vector<wchar_t> row(static_cast<std::size_t>(info.dwSize.X));
        for (SHORT y = 0; y < info.dwCursorPosition.Y; ++y) {
            DWORD read = 0;
            ReadConsoleOutputCharacterW(m_output, row.data(), static_cast<DWORD>(row.size()), COORD{0, y}, &read);
            std::wstring line(row.data(), read);
            line.erase(line.find_last_not_of(L' ') + 1);
            text += line + L"\r\n";
        }
        return text;
    }

private:
    static constexpr DWORD kStreams[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE m_saved[3] = {};
    BOOL m_allocated = FALSE;
    HANDLE m_output = INVALID_HANDLE_VALUE;
};

TEST(ReportConsole, WritesWideTextThatShowsWhateverTheCodePage) {
    const std::wstring fixture = FixturePath(L"machine.txt");
    const std::wstring redirected = ReportOf(fixture);
    ASSERT_NE(redirected.find(L"主板-温度: 27.85℃\r\n"), std::wstring::npos) << redirected;

    OwnConsole console;
    ASSERT_TRUE(console.ready());
    SetConsoleOutputCP(437);  // no Chinese and no degree sign in it
    SetEnvironmentVariableW(L"VELTAR_SENSORS", fixture.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = console.output();
    startup.hStdError = console.output();
    std::wstring commandLine = L"\"" + BuildPath(L"veltar-report.exe") + L"\"";
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &process));
    SetEnvironmentVariableW(L"VELTAR_SENSORS", nullptr);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, DWORD{0});
    EXPECT_EQ(console.Text(), redirected);
}

}  // namespace
}  // namespace veltar::driver
