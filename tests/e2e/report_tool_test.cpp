// veltar-report under Wine, through the real COM path to the fixture provider
// and the stand-in WinRing0.dll, for the x86 and the x64 build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

std::string Fixture(const std::string& name) { return SourcePath("tests/fixtures/" + name); }

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
    for (long i = 1; i <= processors; ++i)
        cpus += "veltar_temperature_celsius{sensor=\"cpu\",index=\"" + std::to_string(i) + "\"} " +
                (i == 1 ? "45" : i == 2 ? "50" : "40") + ".00\n";
    EXPECT_EQ(r.out,
              "# HELP veltar_temperature_celsius Temperature of a sensor of this computer, in degrees Celsius.\n"
              "# TYPE veltar_temperature_celsius gauge\n"
              "veltar_temperature_celsius{sensor=\"mainboard\",index=\"1\"} 27.85\n"
              "veltar_temperature_celsius{sensor=\"disk\",index=\"1\"} 45.00\n"
              "veltar_temperature_celsius{sensor=\"disk\",index=\"2\"} 38.00\n"
              "veltar_temperature_celsius{sensor=\"disk\",index=\"3\"} 0.00\n" +
                  cpus);
}

TEST_P(ReportTool, HelpAndUsageErrorsHaveTheirOwnExitStatus) {
    const ProcessResult help = RunUnderWine(Program(), {}, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: veltar-report [--format=prometheus]\r\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status: 0 report written, 1 hardware or output failure, 2 usage error."),
              std::string::npos);
    EXPECT_EQ(help.err, "");

    const ProcessResult wrong = RunUnderWine(Program(), {"VELTAR_SENSORS=" + Fixture("machine.txt")},
                                             {"--format=prometheus", "--format=json"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "veltar-report: unknown argument: --format=json\r\n" + help.out);
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
