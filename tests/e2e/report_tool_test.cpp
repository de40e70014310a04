// veltar-report under Wine, through the real COM path to the fixture provider
// and the stand-in WinRing0.dll, for the x86 and the x64 build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) { return SourcePath("tests/fixtures/" + name); }

// The gauges that end every Prometheus round, the file's last lines.
std::regex RoundGauges(int success) {
    return std::regex("# HELP veltar_scrape_success [^\n]*\n# TYPE veltar_scrape_success gauge\nveltar_scrape_success " +
                      std::to_string(success) +
                      "\n# HELP veltar_last_round_timestamp_seconds [^\n]*\n# TYPE veltar_last_round_timestamp_seconds "
                      "gauge\nveltar_last_round_timestamp_seconds 1[0-9]{9}\\.[0-9]{3}\n$");
}

std::string WindowsPath(const fs::path& path) {
    std::string windows = "Z:" + path.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

class ReportTool : public ::testing::TestWithParam<const char*> {
protected:
    std::string Program() const { return SourcePath(std::string("build/") + GetParam() + "/veltar-report.exe"); }
    int MaskBits() const { return std::string(GetParam()) == "win32" ? 32 : 64; }

    ProcessResult Run(const std::string& fixture) {
        return RunUnderWine(Program(), {"VELTAR_SENSORS=" + fixture});
    }

    // One line a processor: CPU1 reads 45, CPU2 50 and every other one 40.
    std::string ProcessorLines() const {
        const long processors = std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), MaskBits());
        std::string lines;
        for (long i = 1; i <= processors; ++i)
            lines += "CPU" + std::to_string(i) + "-温度: " + (i == 1 ? "45" : i == 2 ? "50" : "40") + ".00℃\r\n";
        return lines;
    }
};

TEST_P(ReportTool, PrintsTheReportOfTheFixture) {
    const ProcessResult r = Run(Fixture("machine.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\n硬盘2温度: 38.00℃\r\n硬盘3温度: 0.00℃\r\n" +
                         ProcessorLines());
}

TEST_P(ReportTool, WritesTheSameReadingsForPrometheus) {
    const ProcessResult r = RunUnderWine(Program(), {"VELTAR_SENSORS=" + Fixture("machine.txt")},
                                         {"--format=prometheus"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const long processors = std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), MaskBits());
    std::string cpus;
    // Every processor throttles at its target of 100 °C, which declares no offset.
    std::string throttle = "# HELP veltar_temperature_warning_celsius Temperature at which the sensor's part starts "
                           "to throttle, as its hardware declares it, in degrees Celsius.\n"
                           "# TYPE veltar_temperature_warning_celsius gauge\n";
    for (long i = 1; i <= processors; ++i) {
        cpus += "veltar_temperature_celsius{sensor=\"cpu\",index=\"" + std::to_string(i) + "\"} " +
                (i == 1 ? "45" : i == 2 ? "50" : "40") + ".00\n";
        throttle += "veltar_temperature_warning_celsius{sensor=\"cpu\",index=\"" + std::to_string(i) + "\"} 100.00\n";
    }
    const std::string readings =
        "# HELP veltar_temperature_celsius Temperature of a sensor of this computer, in degrees Celsius.\n"
        "# TYPE veltar_temperature_celsius gauge\n"
        "veltar_temperature_celsius{sensor=\"mainboard\",index=\"1\"} 27.85\n"
        "veltar_temperature_celsius{sensor=\"disk\",index=\"1\"} 45.00\n"
        "veltar_temperature_celsius{sensor=\"disk\",index=\"2\"} 38.00\n"
        "veltar_temperature_celsius{sensor=\"disk\",index=\"3\"} 0.00\n" +
        cpus + throttle;
    EXPECT_EQ(r.out, readings);  // the round's gauges go to a file only
}

// Prometheus' textfile collector reads the file the rounds replace: without the
// hardware-access library they write that they could not read it, and they try
// it again each round; a single run still fails as before.
TEST_P(ReportTool, PrometheusRoundsIntoAFileGoOnWithoutTheLibraryAndTryItAgain) {
    TemporaryFolder folder("exporter");
    const fs::path fixture = folder.path() / "later.txt";  // not there yet: the library cannot start
    const fs::path file = folder.path() / "veltar.prom";
    const std::string output = "--output=" + WindowsPath(file);
    ProcessResult single = RunUnderWine(Program(), {"VELTAR_SENSORS=" + fixture.string()}, {"--format=prometheus", output});
    EXPECT_EQ(single.exitCode, 1);
    EXPECT_FALSE(fs::exists(file));

    auto rounds = std::async(std::launch::async, [&] {
        return RunUnderWine(Program(), {"VELTAR_SENSORS=" + fixture.string()},
                            {"--format=prometheus", "--interval=2", "--count=3", output});
    });
    // The first round's file, then the fixture the library starts from at the next round.
    for (int i = 0; i < 1000 && !fs::exists(file); ++i)
        if (rounds.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready) break;
    const std::string first = FileContents(file);
    fs::copy_file(Fixture("machine.txt"), fixture);
    const ProcessResult r = rounds.get();
    EXPECT_EQ(r.exitCode, 1) << "a round without the library";
    EXPECT_NE(r.err.find("the rounds go on, writing veltar_scrape_success 0"), std::string::npos) << r.err;
    EXPECT_TRUE(std::regex_match(first, RoundGauges(0))) << first;
    const std::string last = FileContents(file);
    EXPECT_TRUE(last.starts_with("# HELP veltar_temperature_celsius")) << last;  // no byte-order mark
    EXPECT_NE(last.find("veltar_temperature_celsius{sensor=\"mainboard\",index=\"1\"} 27.85\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(last, RoundGauges(1))) << last;
}

TEST_P(ReportTool, HelpAndUsageErrorsHaveTheirOwnExitStatus) {
    const ProcessResult help = RunUnderWine(Program(), {}, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltar-report [--format=prometheus|nagios|csv] [--sensor=mainboard|disk|cpu|gpu|memory]...\r\n",
                             0), 0u) << help.out;
    for (const char* mentioned : {"ATA disk and NVMe drive", "--output=FILE", "--interval=SECONDS", "--count=N",
                                  "--warning=RANGE", "--critical=RANGE", "--help",
                                  "With --format=nagios: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN."})
        EXPECT_NE(help.out.find(mentioned), std::string::npos) << mentioned;
    EXPECT_EQ(help.err, "");

    const ProcessResult wrong = RunUnderWine(Program(), {"VELTAR_SENSORS=" + Fixture("machine.txt")},
                                             {"--format=json"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "veltar-report: unknown format: json (prometheus, nagios or csv)\r\n" + help.out);
}

// Each match's sensor, index and value, as "<sensor> <index> <value>" lines.
std::string Readings(const std::string& text, const std::regex& item) {
    std::string values;
    for (auto i = std::sregex_iterator(text.begin(), text.end(), item); i != std::sregex_iterator(); ++i)
        values += (*i)[1].str() + " " + (*i)[2].str() + " " + (*i)[3].str() + "\n";
    return values;
}

// Every "'<sensor>_<index>'=<value>;<warn>;<crit>" of a check answer.
std::string PerformanceData(const std::string& line) {
    return Readings(line, std::regex("'([a-z]+)_([0-9]+)'=([0-9.]+);([^; ]*);([^; \n]*)"));
}

// The same readings from the Prometheus text's temperatures.
std::string PrometheusValues(const std::string& text) {
    return Readings(text, std::regex("veltar_temperature_celsius\\{sensor=\"([a-z]+)\",index=\"([0-9]+)\"\\} ([0-9.]+)"));
}

TEST_P(ReportTool, AnswersAsACheckPluginWithItsStatusAndPerformanceData) {
    const std::string machine = "VELTAR_SENSORS=" + Fixture("machine.txt");
    const struct {
        std::vector<std::string> arguments;
        std::string environment;
        int exitCode;
        std::string lineStart;
    } cases[] = {
        {{}, machine, 0, "VELTAR OK - "},
        {{"--warning=49"}, machine, 1, "VELTAR WARNING - "},
        {{"--warning=49", "--critical=50"}, machine, 1, "VELTAR WARNING - "},
        {{"--warning=49", "--critical=49.99"}, machine, 2, "VELTAR CRITICAL - "},
        {{"--critical=@0:0", "--sensor=disk"}, machine, 2, "VELTAR CRITICAL - 3 readings, the hottest disk_1 at 45.00 C"
                                                           " | 'disk_1'=45.00;;@0:0 'disk_2'=38.00;;@0:0 "
                                                           "'disk_3'=0.00;;@0:0\n"},
        {{"--critical=@0:0", "--sensor=cpu"}, machine, 0, "VELTAR OK - "},
        {{"--warning=abc"}, machine, 3, "VELTAR UNKNOWN - --warning is not a range: abc\n"},
        {{"--interval=5"}, machine, 3, "VELTAR UNKNOWN - --format=nagios answers once: --interval does not go with it\n"},
        {{"--bogus"}, machine, 3, "VELTAR UNKNOWN - unknown argument: --bogus\n"},
        {{"--sensor=mainboard"}, "VELTAR_SENSORS=" + Fixture("disk-without-smart-data.txt"), 3,
         "VELTAR UNKNOWN - no reading is left after --sensor\n"},
        {{}, "VELTAR_SENSORS=", 3, "VELTAR UNKNOWN - the hardware-access library WinRing0.dll could not be initialised"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"--format=nagios"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult r = RunUnderWine(Program(), {c.environment}, arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.lineStart << r.out;
        EXPECT_EQ(r.out.substr(0, c.lineStart.size()), c.lineStart) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }

    const ProcessResult ok = RunUnderWine(Program(), {machine}, {"--format=nagios"});
    const ProcessResult prometheus = RunUnderWine(Program(), {machine}, {"--format=prometheus"});
    EXPECT_EQ(PerformanceData(ok.out), PrometheusValues(prometheus.out));
    EXPECT_NE(ok.out.find("the hottest cpu_2 at 50.00 C | 'mainboard_1'=27.85;; 'disk_1'=45.00;; "), std::string::npos)
        << ok.out;
}

TEST_P(ReportTool, KeepsOnlyTheChosenSensorsInEveryFormat) {
    const std::string machine = "VELTAR_SENSORS=" + Fixture("machine.txt");
    ProcessResult r = RunUnderWine(Program(), {machine}, {"--sensor=disk"});
    EXPECT_EQ(r.out, "硬盘1温度: 45.00℃\r\n硬盘2温度: 38.00℃\r\n硬盘3温度: 0.00℃\r\n");
    r = RunUnderWine(Program(), {machine}, {"--format=prometheus", "--sensor=mainboard", "--sensor=cpu"});
    EXPECT_TRUE(PrometheusValues(r.out).starts_with("mainboard 1 27.85\ncpu 1 45.00\n")) << r.out;
    EXPECT_EQ(PrometheusValues(r.out).find("disk"), std::string::npos);
    r = RunUnderWine(Program(), {machine}, {"--format=csv", "--sensor=mainboard"});
    EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2 + 25), ",mainboard,1,27.85\r\n") << r.out;
}

// Rounds over one kept connection a namespace, through the real COM path: a
// connection that is gone is made anew within the round, and only a second
// failure in a row costs the round its disks.
TEST_P(ReportTool, RoundsKeepTheirConnectionsAndHealOneThatIsGone) {
    const std::string machine = FileContents(Fixture("machine.txt"));
    const std::string smart = "wmi root\\WMI MSStorageDriver_ATAPISmartData\n";
    const auto withDisconnects = [&](const std::string& queries) {
        std::string text = machine;
        text.insert(text.find(smart) + smart.size(), "disconnect " + queries + "\n");
        return text;
    };
    const std::string complete = "主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\n硬盘2温度: 38.00℃\r\n硬盘3温度: 0.00℃\r\n" +
                                 ProcessorLines();
    const struct {
        const char* queries;
        std::string rounds;
    } cases[] = {
        {"2", complete + complete + complete},
        {"2 3", complete + "主板-温度: 27.85℃\r\n" + ProcessorLines() + complete},
    };
    for (const auto& c : cases) {
        const TemporaryFolder folder("disconnect");
        const std::string fixture = (folder.path() / "machine.txt").string();
        std::ofstream(fixture, std::ios::binary) << withDisconnects(c.queries);
        const ProcessResult r =
            RunUnderWine(Program(), {"VELTAR_SENSORS=" + fixture}, {"--interval=1", "--count=3"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.rounds) << c.queries;
    }
}

TEST_P(ReportTool, WritesCsvRowsEveryRoundUnderOneHeader) {
    const ProcessResult r = RunUnderWine(Program(), {"VELTAR_SENSORS=" + Fixture("machine.txt")},
                                         {"--format=csv", "--interval=1", "--count=3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const long processors = std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), MaskBits());
    static const std::regex row("(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d),"
                                "(mainboard|disk|cpu),(\\d+),(-?\\d+\\.\\d\\d)\r");
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time,sensor,index,celsius\r");
    std::vector<std::string> times;
    int rows = 0;
    while (std::getline(lines, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, row)) << line;
        if (match[2] == "mainboard") times.push_back(match[1]);
        else EXPECT_EQ(match[1].str(), times.back()) << "one time for the rows of one report";
        ++rows;
    }
    EXPECT_EQ(times.size(), 3u);
    EXPECT_EQ(rows, 3 * (4 + processors));
    EXPECT_TRUE(r.out.ends_with("\r\n"));
}

TEST_P(ReportTool, LoadsWinRing0OnlyFromItsOwnFolder) {
    TemporaryFolder alone("alone"), current("current"), onPath("path");
    fs::copy_file(Program(), alone.path() / "veltar-report.exe");
    const fs::path marker = SourcePath(std::string("build/") + GetParam() + "/marker/WinRing0.dll");
    for (const TemporaryFolder* folder : {&current, &onPath}) fs::copy_file(marker, folder->path() / "WinRing0.dll");
    std::string windowsPath = "Z:" + onPath.path().string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    const auto run = [&] {
        return RunProcess({"bash", "-c", "cd \"$0\" && exec \"$1\" \"$2\"", current.path().string(),
                           SourcePath("tools/wine-run"), (alone.path() / "veltar-report.exe").string()},
                          {"VELTAR_SENSORS=" + Fixture("machine.txt"), "WINEPATH=" + windowsPath});
    };
    ProcessResult r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "veltar-report: WinRing0.dll was not found beside veltar-report.exe.\r\n");
    EXPECT_FALSE(fs::exists(current.path() / "WinRing0.dll.loaded"));
    EXPECT_FALSE(fs::exists(onPath.path() / "WinRing0.dll.loaded"));

    // Beside the program the same file is loaded, and refused as no hardware-access library.
    fs::copy_file(marker, alone.path() / "WinRing0.dll");
    r = run();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(fs::exists(alone.path() / "WinRing0.dll.loaded"));
    EXPECT_NE(r.err.find("WinRing0.dll has no export with ordinal 7"), std::string::npos) << r.err;
}

TEST_P(ReportTool, TakesTheMainboardFromTheThermalZoneWhenTheProbeHasNothing) {
    const ProcessResult r = Run(Fixture("thermal-zone.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "主板-温度: 52.05℃\r\n" + ProcessorLines());
}

TEST_P(ReportTool, FailedPropertyReadsAreReportedOnStandardErrorNotInTheReport) {
    const ProcessResult r = Run(Fixture("disk-without-smart-data.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "硬盘1温度: 41.00℃\r\n硬盘2温度: 0.00℃\r\n" + ProcessorLines());
    // Standard error is a text stream: Windows writes its line end as "\r\n".
    EXPECT_EQ(r.err, "Failed to get the data from the query  Error code = 0x80041002\r\n");
}

TEST_P(ReportTool, WithoutAFixtureExitsOneWithAClearMessage) {
    const ProcessResult r = RunUnderWine(Program(), {"VELTAR_SENSORS="});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("WinRing0.dll could not be initialised"), std::string::npos) << r.err;
}

TEST_P(ReportTool, AFixtureWithoutRegistersCannotInitialiseTheLibrary) {
    const ProcessResult r = Run(Fixture("no-registers.txt"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no register values"), std::string::npos) << r.err;
}

TEST_P(ReportTool, AMalformedFixtureIsRefusedAsAWhole) {
    const ProcessResult r = Run(Fixture("malformed.txt"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("malformed.txt:7: "), std::string::npos) << r.err;
}

TEST_P(ReportTool, AReportThatCannotBeWrittenIsAFailure) {
    // Standard output on a full device: every write fails.
    const ProcessResult r = RunProcess({"bash", "-c", "\"$@\" >/dev/full", "report", SourcePath("tools/wine-run"),
                                        Program()},
                                       {"VELTAR_SENSORS=" + Fixture("machine.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Builds, ReportTool, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
