// veltar.exe unpacked beside our WinRing0.dll, as a user installs it, on the
// stand-in PawnIO device: the processors in the window, a read that fails
// while it runs, and the start-up box when the library cannot start.
#include <gtest/gtest.h>

#include <string>

#include "standins/devices/standin_settings.h"
#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NewTemporaryFolder(L"installed");
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(CopyFileW(BuildPath(L"veltar.exe").c_str(), Path(L"veltar.exe").c_str(), TRUE));
        ASSERT_TRUE(CopyFileW(BuildPath(L"hardware\\WinRing0.dll").c_str(), Path(L"WinRing0.dll").c_str(), TRUE));
    }

    void TearDown() override {
        for (const wchar_t* file : {L"veltar.exe", L"WinRing0.dll", L"IntelMSR.bin"}) DeleteFileW(Path(file).c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring Path(const std::wstring& file) const { return folder + L"\\" + file; }

    // The device reads its registers at every request, so this takes effect at once.
    static void ServeFixture(const std::wstring& fixture) {
        Program tool(BuildPath(L"..\\win32\\veltar-device-standins.exe"), fixture);
        ASSERT_TRUE(tool.started());
        ASSERT_EQ(tool.WaitForExit(), DWORD{0});
    }

    void AddIntelModule() {
        const HANDLE file = CreateFileW(Path(L"IntelMSR.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, VELTAR_STANDIN_INTEL_MODULE, sizeof VELTAR_STANDIN_INTEL_MODULE - 1, &written, nullptr);
        CloseHandle(file);
    }

    std::wstring folder;
};

TEST_F(InstalledProgram, ShowsTheProcessorsThroughPawnIoAndAReadThatFailsWhileItRuns) {
    const std::wstring fixture = FixturePath(L"machine.txt");
    ServeFixture(fixture);
    AddIntelModule();
    // Our library through the device gives the report that the stand-in library gives.
    const std::wstring report = ReportOf(fixture);
    ASSERT_NE(report.find(L"CPU2-温度: 50.00℃"), std::wstring::npos) << report;

    Program program(Path(L"veltar.exe"), fixture);
    ASSERT_TRUE(program.started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor(program, [&] {
        window = FindMainWindow(program.id());
        return window && WindowText(window) == report;
    })) << (window ? WindowText(window) : L"no window");

    // Processor 1 loses its thermal status register: its read fails, both halves 0.
    ServeFixture(FixturePath(L"register-missing.txt"));
    EXPECT_TRUE(WaitFor(program, [&] {
        const std::wstring text = WindowText(window);
        return text.find(L"CPU1-温度: 45.00℃\r\nCPU2-温度: 100.00℃\r\n") != std::wstring::npos;
    })) << WindowText(window);
    EXPECT_TRUE(program.IsRunning());

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), DWORD{2});
}

TEST_F(InstalledProgram, WithoutAModuleFileTheStartUpBoxAppearsAndTheProgramEndsWithZero) {
    ServeFixture(FixturePath(L"machine.txt"));
    Program program(Path(L"veltar.exe"), FixturePath(L"machine.txt"));
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(CloseStartUpFailureBox(program));
    EXPECT_EQ(program.WaitForExit(), DWORD{0});
}

}  // namespace
}  // namespace veltar::driver
