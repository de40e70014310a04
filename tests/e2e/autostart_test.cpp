// The start at logon turned on and off with veltar-autostart, in the Wine
// prefix the tests run in, as a Windows administrator does it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

std::string Architecture(const char* arch) { return arch; }

class Autostart : public ::testing::TestWithParam<const char*> {
protected:
    ProcessResult Run(const std::vector<std::string>& arguments, const std::string& tool = {}) {
        return RunUnderWine(tool.empty() ? SourcePath("build/" + Architecture(GetParam()) + "/veltar-autostart.exe")
                                         : tool,
                            {}, arguments);
    }
    const fs::path tasks = WinePrefix() / "drive_c/windows/system32/tasks";
};

TEST_P(Autostart, TurnsTheLogonTaskOnAndOffAndSaysWhichItIs) {
    ASSERT_EQ(Run({"off"}).exitCode, 0);
    ProcessResult r = Run({"status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Veltar does not start at logon.\r\n");

    std::string program = "Z:" + SourcePath("build/" + Architecture(GetParam()) + "/veltar.exe");
    std::replace(program.begin(), program.end(), '/', '\\');
    for (int round = 0; round < 2; ++round) {
        r = Run({"on"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Veltar starts at logon now: " + program + "\r\n");
    }
    // Replaced, not added: one task. Wine's scheduler keeps only the settings.
    EXPECT_EQ(FolderEntries(tasks), std::set<std::string>{"Veltar"});
    const std::string stored = FileContents(tasks / "Veltar");
    for (const char* setting :
         {"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
          "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
          "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>", "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
          "<Priority>5</Priority>", "<Enabled>true</Enabled>"})
        EXPECT_NE(stored.find(setting), std::string::npos) << setting << "\n" << stored;
    r = Run({"status"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Veltar starts at logon (task \\Veltar).\r\n");

    for (int round = 0; round < 2; ++round) {
        r = Run({"off"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Veltar does not start at logon.\r\n");
    }
    EXPECT_EQ(FolderEntries(tasks), std::set<std::string>{});
    EXPECT_EQ(Run({"status"}).exitCode, 1);
}

TEST_P(Autostart, RefusesWrongArgumentsAndAProgramNotBesideIt) {
    const std::string usageStart = "Usage: veltar-autostart on|off|status\r\n";
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out, errStart;
    } cases[] = {
        {{"--help"}, 0, usageStart, ""},
        {{}, 2, "", usageStart},
        {{"start"}, 2, "", "veltar-autostart: unknown argument: start\r\n" + usageStart},
        {{"on", "off"}, 2, "", "veltar-autostart: one command at a time: on, off or status.\r\n" + usageStart},
    };
    for (const auto& c : cases) {
        const ProcessResult r = Run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.errStart;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart);
    }

    TemporaryFolder alone("autostart");
    fs::copy_file(SourcePath("build/" + Architecture(GetParam()) + "/veltar-autostart.exe"),
                  alone.path() / "veltar-autostart.exe");
    const ProcessResult r = Run({"on"}, (alone.path() / "veltar-autostart.exe").string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("veltar-autostart: veltar.exe was not found beside veltar-autostart.exe"), std::string::npos)
        << r.err;
    EXPECT_EQ(FolderEntries(tasks), std::set<std::string>{});
}

// The exporter's task, beside the logon task and independent of it: its folder
// made, an interval out of range refused before anything is registered.
TEST_P(Autostart, TurnsTheExporterOnAndOffBesideTheLogonTask) {
    ASSERT_EQ(Run({"exporter", "off"}).exitCode, 0);
    ASSERT_EQ(Run({"on"}).exitCode, 0);
    ProcessResult r = Run({"exporter", "status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "The exporter does not run.\r\n");

    TemporaryFolder folder("exporter");
    const fs::path textfiles = folder.path() / "text files" / "inputs";
    std::string directory = "Z:" + textfiles.string();
    std::replace(directory.begin(), directory.end(), '/', '\\');
    r = Run({"exporter", "on", "--directory=" + directory, "--interval=0"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.starts_with("veltar-autostart: --interval takes whole seconds, 1 to 3600: --interval=0\r\nUsage"))
        << r.err;
    EXPECT_EQ(FolderEntries(tasks), std::set<std::string>{"Veltar"});

    r = Run({"exporter", "on", "--directory=" + directory, "--interval=30"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string report = "Z:" + SourcePath("build/" + Architecture(GetParam()) + "/veltar-report.exe");
    std::replace(report.begin(), report.end(), '/', '\\');
    EXPECT_EQ(r.out, "The exporter runs from the next start of Windows on (task \\Veltar exporter): " + report +
                         " --format=prometheus --interval=30 --output=\"" + directory + "\\veltar.prom\"\r\n");
    EXPECT_TRUE(fs::is_directory(textfiles));
    EXPECT_EQ(FolderEntries(tasks), (std::set<std::string>{"Veltar", "Veltar exporter"}));
    const std::string stored = FileContents(tasks / "Veltar exporter");
    for (const char* setting : {"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
                                "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                                "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"})
        EXPECT_NE(stored.find(setting), std::string::npos) << setting << "\n" << stored;
    EXPECT_EQ(Run({"exporter", "status"}).exitCode, 0);

    for (int round = 0; round < 2; ++round) {
        r = Run({"exporter", "off"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "The exporter does not run.\r\n");
    }
    EXPECT_EQ(FolderEntries(tasks), std::set<std::string>{"Veltar"});
    EXPECT_EQ(Run({"status"}).exitCode, 0);
    EXPECT_EQ(Run({"off"}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, Autostart, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
