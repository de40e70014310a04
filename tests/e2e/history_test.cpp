// The history end to end under Wine: the window records while it runs and a
// killed process loses nothing recorded; the report tool exports it with the
// gap of the restart; one writer per file, a foreign file moved aside; the
// viewer's pictures and its window following a history as it is written.
#include <gtest/gtest.h>

#include "history/memory_history_file.h"
#include "history/platform/history_recorder.h"
#include "history/history_reader.h"
#include "standins/history/demo_history.h"
#include "tests/e2e/program_driver.h"
#include "tests/e2e/window_capture.h"

namespace veltar::driver {
namespace {

struct Counted : HistorySink {
    void Reset() override { refreshes.clear(); }
    void Refresh(const RefreshRecord& record) override { refreshes.push_back(record); }
    void Minute(const MinuteRecord&) override {}
    std::vector<RefreshRecord> refreshes;
};

// Every refresh the history at the path holds, read as another program reads it.
std::vector<RefreshRecord> Recorded(const std::wstring& path) {
    DWORD error = 0;
    const auto file = WinHistoryFile::OpenForReading(path, &error);
    Counted counted;
    if (file) HistoryReader().Update(*file, counted);
    return counted.refreshes;
}

std::uint64_t LastSequence(const std::wstring& path) {
    const auto all = Recorded(path);
    return all.empty() ? 0 : all.back().sequence;
}

class History : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NewTemporaryFolder(L"history");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override {
        for (const wchar_t* name : {L"\\history.dat", L"\\history.dat.bad", L"\\a.png", L"\\b.png"})
            DeleteFileW((folder + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }
    std::wstring folder;
};

TEST_F(History, TheWindowRecordsAKilledOneLosesNothingAndTheExportShowsTheRestart) {
    const std::wstring path = DefaultHistoryPath();
    const std::uint64_t before = LastSequence(path);
    std::uint64_t seen = 0;
    {
        Program veltar(L"veltar.exe", FixturePath(L"window.txt"));
        ASSERT_TRUE(WaitFor(veltar, [&] { return (seen = LastSequence(path)) >= before + 4; }));
        TerminateProcess(veltar.process(), 9);
        veltar.WaitForExit();
    }
    const auto afterKill = Recorded(path);
    ASSERT_FALSE(afterKill.empty());
    EXPECT_GE(afterKill.back().sequence, seen) << "a refresh recorded was lost with the process";
    const std::wstring shown = ReportOf(FixturePath(L"window.txt"));
    EXPECT_EQ(FormatReport(afterKill.back().readings), std::u16string(shown.begin(), shown.end()));
    // Veltar not running for longer than two refreshes: a gap, not a line across it.
    Sleep(3000);
    {
        Program veltar(L"veltar.exe", FixturePath(L"window.txt"));
        ASSERT_TRUE(WaitFor(veltar, [&] { return LastSequence(path) >= seen + 3; }));
        TerminateProcess(veltar.process(), 9);
        veltar.WaitForExit();
    }
    Program report(L"veltar-report.exe", std::nullopt, L"--history=10m --sensor=cpu");
    ASSERT_EQ(report.WaitForExit(), 0u) << report.Errors();
    const std::string csv = report.Output();
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "time,sensor,index,celsius");
    // The seconds of each row's local time, in order; one step is the restart's gap.
    std::vector<int> seconds;
    for (std::size_t at = csv.find("\r\n"); (at = csv.find("\r\n", at + 2)) != std::string::npos && at + 2 < csv.size();) {
        const std::string row = csv.substr(at + 2, 19);
        seconds.push_back(std::stoi(row.substr(11, 2)) * 3600 + std::stoi(row.substr(14, 2)) * 60 + std::stoi(row.substr(17, 2)));
    }
    ASSERT_GE(seconds.size(), 2u);
    int widest = 0;
    for (std::size_t i = 1; i < seconds.size(); ++i) widest = std::max(widest, seconds[i] - seconds[i - 1]);
    EXPECT_GE(widest, 3) << csv;
}

TEST_F(History, OneWriterAFileAndAForeignFileMovedAside) {
    const std::wstring path = folder + L"\\history.dat";
    ASSERT_TRUE(WriteWholeFile(path, std::string(5000, 'x')));
    const std::vector<TemperatureReading> readings{{SensorKind::Gpu, 1, 55.5, {83.0, 93.0}}};
    {
        HistoryRecorder first(path);
        HistoryRecorder second(path);
        first.Record(readings);
        second.Record(readings);
        first.Record(readings);
        second.Record(readings);
        EXPECT_EQ(Recorded(path).size(), 2u) << "the second writer wrote too";
    }
    EXPECT_EQ(ReadWholeFile(path + L".bad"), std::string(5000, 'x'));
    const auto all = Recorded(path);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].readings, readings);
}

TEST_F(History, TheViewerSavesPicturesAndSaysWhyItCannot) {
    MemoryHistoryFile demo;
    ASSERT_TRUE(MakeDemoHistory(demo, UtcNowMs()));
    const std::wstring path = folder + L"\\history.dat";
    ASSERT_TRUE(WriteWholeFile(path, std::string(reinterpret_cast<const char*>(demo.bytes.data()), demo.bytes.size())));
    Program saved(L"veltar-history.exe", std::nullopt, L"--save=" + folder + L"\\a.png --span=24h --size=800x500 --file=" + path);
    ASSERT_EQ(saved.WaitForExit(), 0u) << saved.Errors();
    const std::string png = ReadWholeFile(folder + L"\\a.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x01\xF4", 8)) << "800 by 500";

    const struct {
        std::wstring arguments;
        DWORD status;
        const char* says;
    } cases[] = {
        {L"--save=" + folder + L"\\b.png --file=" + folder + L"\\none.dat", 1, "no history could be opened"},
        {L"--save=" + folder + L"\\b.png --file=" + folder + L"\\a.png", 1, "is not a Veltar history"},
        {L"--save=" + folder + L"\\b.png --span=2h", 2, "Usage: veltar-history"},
    };
    for (const auto& c : cases) {
        Program failed(L"veltar-history.exe", std::nullopt, c.arguments);
        EXPECT_EQ(failed.WaitForExit(), c.status) << c.says;
        EXPECT_NE(failed.Errors().find(c.says), std::string::npos) << failed.Errors();
        EXPECT_TRUE(ReadWholeFile(folder + L"\\b.png").empty()) << c.says;
    }
}

TEST_F(History, TheViewerFollowsTheHistoryAndTakesItsKeys) {
    const std::wstring path = folder + L"\\history.dat";
    HistoryRecorder recorder(path);
    recorder.Record({{SensorKind::Mainboard, 1, 30, {}}});
    Program viewer(L"veltar-history.exe", std::nullopt, L"--file=" + path);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor(viewer, [&] {
        for (HWND w : WindowsOf(viewer.id()))
            if (IsWindowVisible(w) && WindowText(w) == L"Veltar history \u2014 last hour") window = w;
        return window != nullptr;
    }));
    const auto hasOrange = [&] {
        const Capture picture(window);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            if ((picture.pixels[i] & 0xFFFFFF) == 0xFF7F0E) return true;
        return false;
    };
    EXPECT_FALSE(hasOrange());
    // A second reading of the mainboard's pane, drawn in the palette's second colour, within two seconds.
    recorder.Record({{SensorKind::Mainboard, 1, 31, {}}, {SensorKind::Mainboard, 2, 45, {}}});
    EXPECT_TRUE(WaitFor(viewer, hasOrange, 2000, 100));
    PostMessageW(window, WM_KEYDOWN, '3', 0);
    EXPECT_TRUE(WaitFor(viewer, [&] { return WindowText(window) == L"Veltar history \u2014 last 24 hours"; }, 5000));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

}  // namespace
}  // namespace veltar::driver
