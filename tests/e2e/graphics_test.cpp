// The graphics cards' temperatures, read through whatever gdi32.dll the process
// has: the stand-in gdi32 beside the programs answers the graphics kernel's
// adapter calls from the fixture when Wine is told to load it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>

#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

const std::wstring kGpuLines = L"GPU1-温度: 65.30℃\r\nGPU2-温度: 71.80℃\r\n";

class GraphicsCards : public ::testing::Test {
protected:
    // The stand-in writes its count of handles where the programs' environment says.
    void SetUp() override { SetEnvironmentVariableW(L"VELTAR_GPU_HANDLES", handlesFile.c_str()); }
    void TearDown() override {
        SetEnvironmentVariableW(L"VELTAR_GPU_HANDLES", nullptr);
        DeleteFileW(handlesFile.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    // Handed out and closed by the last program, as the stand-in last wrote them.
    std::pair<long, long> Handles() const {
        long handedOut = -1, closed = -1;
        std::sscanf(ReadWholeFile(handlesFile).c_str(), "%ld %ld", &handedOut, &closed);
        return {handedOut, closed};
    }
    std::wstring Run(const std::wstring& arguments, DWORD exitCode = 0) {
        Program report(L"veltar-report.exe", fixture, arguments);
        EXPECT_EQ(report.WaitForExit(), exitCode) << report.Errors();
        return FromUtf8(report.Output());
    }

    const std::wstring fixture = FixturePath(L"graphics.txt");
    const std::wstring withoutStandIn = ReportOf(fixture);
    const std::wstring folder = NewTemporaryFolder(L"graphics");
    const std::wstring handlesFile = folder + L"\\handles.txt";
};

TEST_F(GraphicsCards, WithoutTheKernelsAdapterCallsTheReportIsTheProcessorsLast) {
    // Wine's own gdi32 has no D3DKMTEnumAdapters2: no GPU line, nothing else changes.
    EXPECT_EQ(withoutStandIn, ReportOf(FixturePath(L"window.txt")));
    EXPECT_EQ(withoutStandIn.find(L"GPU"), std::wstring::npos);
    EXPECT_EQ(ReadWholeFile(handlesFile), "");
}

TEST_F(GraphicsCards, AdaptersThatReportATemperatureFollowTheProcessorsInEveryFormat) {
    const StandInGdi32 standIn;
    EXPECT_EQ(Run(L""), withoutStandIn + kGpuLines);
    EXPECT_EQ(Handles(), std::make_pair(5L, 5L));

    const std::wstring prometheus = Run(L"--format=prometheus --sensor=gpu");
    EXPECT_NE(prometheus.find(L"veltar_temperature_celsius{sensor=\"gpu\",index=\"1\"} 65.30\n"
                              L"veltar_temperature_celsius{sensor=\"gpu\",index=\"2\"} 71.80\n"),
              std::wstring::npos) << prometheus;
    EXPECT_EQ(prometheus.find(L"sensor=\"cpu\""), std::wstring::npos);
    // The first card's limits, asked of it before its handle is closed; the second declares none.
    EXPECT_NE(prometheus.find(L"veltar_temperature_warning_celsius{sensor=\"gpu\",index=\"1\"} 88.00\n#"),
              std::wstring::npos) << prometheus;
    EXPECT_NE(prometheus.find(L"veltar_temperature_critical_celsius{sensor=\"gpu\",index=\"1\"} 95.00\n"),
              std::wstring::npos) << prometheus;
    EXPECT_EQ(Run(L"--format=nagios --sensor=gpu --warning=70", 1),
              L"VELTAR WARNING - 2 readings, the hottest gpu_2 at 71.80 C | 'gpu_1'=65.30;70; 'gpu_2'=71.80;70;\n");
    const std::wstring csv = Run(L"--format=csv --sensor=gpu");
    EXPECT_TRUE(std::regex_search(csv, std::wregex(L"\r\n[^,]+,gpu,1,65\\.30\r\n[^,]+,gpu,2,71\\.80\r\n$"))) << csv;
    EXPECT_EQ(Handles(), std::make_pair(5L, 5L));  // each report is a process of its own
}

TEST_F(GraphicsCards, TheWindowShowsThemAfterTheProcessorsAndClosesEveryAdapterItOpens) {
    const StandInGdi32 standIn;
    Program program(L"veltar.exe", fixture);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor(program, [&] { return (window = FindMainWindow(program.id())) && IsWindowVisible(window); }));
    // The window's height counts the GPU lines of the first report.
    RECT client{};
    GetClientRect(window, &client);
    const std::wstring expected = withoutStandIn + kGpuLines;
    const long lines = static_cast<long>(std::count(expected.begin(), expected.end(), L'\n'));
    EXPECT_EQ(client.bottom, (lines + 2) * 20);

    for (int refresh = 0; refresh < 100; ++refresh) {
        SetWindowTextW(window, L"");
        SendMessageW(window, WM_TIMER, 1, 0);
        ASSERT_TRUE(WaitFor(program, [&] { return WindowText(window) == expected; })) << WindowText(window);
    }
    const auto [handedOut, closed] = Handles();
    EXPECT_GE(handedOut, 5 * 101);
    EXPECT_EQ(closed, handedOut);
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(program.WaitForExit(), DWORD{2});
}

}  // namespace
}  // namespace veltar::driver
