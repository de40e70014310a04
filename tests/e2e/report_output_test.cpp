// veltar-report --output: the file is replaced whole, or, when it cannot be,
// left byte for byte as it was with no file of ours beside it.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "tests/e2e/program_driver.h"

namespace veltar::driver {
namespace {

class ReportOutput : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NewTemporaryFolder(L"output");
        ASSERT_FALSE(folder.empty());
        file = folder + L"\\veltar.prom";
        ASSERT_TRUE(WriteWholeFile(file, "old\n"));
    }
    void TearDown() override {
        for (const auto& name : Names()) DeleteFileW((folder + L"\\" + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::set<std::wstring> Names() const {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (found.cFileName[0] != L'.') names.insert(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    struct Run {
        DWORD exitCode;
        std::string out, err;
    };
    Run Report(const std::wstring& arguments) {
        Program program(L"veltar-report.exe", FixturePath(L"machine.txt"), arguments);
        const auto code = program.WaitForExit();
        return {code.value_or(99), program.Output(), program.Errors()};
    }

    std::wstring folder;
    std::wstring file;
};

TEST_F(ReportOutput, ReplacesTheFileWholeOrLeavesItAsItWas) {
    const Run printed = Report(L"--format=prometheus");
    Run r = Report(L"--format=prometheus \"--output=" + file + L"\"");
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out, "");
    // The same, and the round's own gauges for the collector that reads the file.
    const std::string written = ReadWholeFile(file);
    EXPECT_EQ(written.substr(0, printed.out.size()), printed.out);
    EXPECT_TRUE(std::regex_match(written.substr(printed.out.size()),
                                 std::regex("# HELP veltar_scrape_success [^\n]*\n# TYPE veltar_scrape_success gauge\n"
                                            "veltar_scrape_success 1\n# HELP veltar_last_round_timestamp_seconds [^\n]*\n"
                                            "# TYPE veltar_last_round_timestamp_seconds gauge\n"
                                            "veltar_last_round_timestamp_seconds [0-9]+\\.[0-9]{3}\n")))
        << written;
    EXPECT_EQ(Names(), std::set<std::wstring>{L"veltar.prom"});

    // A reader that holds the file open without sharing it: every round fails,
    // says so and goes on; the file keeps its bytes and nothing is left beside it.
    ASSERT_TRUE(WriteWholeFile(file, "old\n"));
    const HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    r = Report(L"--format=csv --interval=1 --count=2 \"--output=" + file + L"\"");
    const Run check = Report(L"--format=nagios \"--output=" + file + L"\"");
    CloseHandle(reader);
    EXPECT_EQ(r.exitCode, 1u);
    const std::string said = "veltar-report: " + std::string(file.begin(), file.end()) +
                             " could not be replaced, and is as it was: ";
    ASSERT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(said, r.err.find(said) + 1), std::string::npos) << "the second round: " << r.err;
    EXPECT_EQ(check.exitCode, 3u);
    EXPECT_EQ(ReadWholeFile(file), "old\n");
    EXPECT_EQ(Names(), std::set<std::wstring>{L"veltar.prom"});

    // A folder that does not exist.
    const std::wstring missing = folder + L"\\missing\\veltar.prom";
    r = Report(L"\"--output=" + missing + L"\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.err.find(std::string(missing.begin(), missing.end()) + " could not be replaced"), std::string::npos)
        << r.err;
    EXPECT_EQ(Names(), std::set<std::wstring>{L"veltar.prom"});
}

}  // namespace
}  // namespace veltar::driver
