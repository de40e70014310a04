// NVMe drives through the stand-in storage driver, end to end under Wine for
// the x86 and the x64 build: in veltar-report and in the window, after the ATA
// disks. The expected lines are worked out by hand from the fixtures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

std::string Fixture(const std::string& name) { return SourcePath("tests/fixtures/" + name); }

class NvmeDrives : public ::testing::TestWithParam<const char*> {
protected:
    // The drives of the fixture exist from the next Wine session on.
    void ServeDrives(const std::string& fixture) {
        servesDrives = true;
        const ProcessResult r = ConfigureDeviceStandins(fixture);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void TearDown() override {
        if (servesDrives) ConfigureDeviceStandins("");
    }

    ProcessResult Run(const std::string& program, const std::string& fixture, const std::vector<std::string>& arguments = {}) {
        return RunUnderWine(SourcePath(std::string("build/") + GetParam() + "/" + program),
                            {"VELTAR_SENSORS=" + fixture}, arguments);
    }

    // Every processor reads 40 °C in both fixtures.
    std::string ProcessorLines() const {
        const long processors = std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), std::string(GetParam()) == "win32" ? 32 : 64);
        std::string lines;
        for (long i = 1; i <= processors; ++i) lines += "CPU" + std::to_string(i) + "-温度: 40.00℃\r\n";
        return lines;
    }

    bool servesDrives = false;
};

TEST_P(NvmeDrives, AloneTheyAreTheDisksInTheOrderOfTheirNumbers) {
    ServeDrives(Fixture("nvme-only.txt"));
    const ProcessResult r = Run("veltar-report.exe", Fixture("nvme-only.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "硬盘1温度: 38.00℃\r\n硬盘2温度: 51.00℃\r\n" + ProcessorLines());
}

TEST_P(NvmeDrives, FollowTheAtaDisksInTheReportThePrometheusTextAndTheWindow) {
    ServeDrives(Fixture("nvme.txt"));
    // The ATA disk at 45; drive 1 at 38; the SATA drive 2 only through SMART; drive 4 at -3; drive 5,
    // whose temperature query fails, at 0. Drive 0 is Wine's own, on another bus.
    const std::string report = "硬盘1温度: 45.00℃\r\n硬盘2温度: 38.00℃\r\n硬盘3温度: -3.00℃\r\n硬盘4温度: 0.00℃\r\n" +
                               ProcessorLines();
    const ProcessResult r = Run("veltar-report.exe", Fixture("nvme.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, report);

    const ProcessResult prometheus = Run("veltar-report.exe", Fixture("nvme.txt"), {"--format=prometheus"});
    EXPECT_NE(prometheus.out.find("veltar_temperature_celsius{sensor=\"disk\",index=\"3\"} -3.00\n"
                                  "veltar_temperature_celsius{sensor=\"disk\",index=\"4\"} 0.00\n"),
              std::string::npos)
        << prometheus.out;
    // The drive's own limits, from the descriptor the storage driver answers with.
    EXPECT_NE(prometheus.out.find("veltar_temperature_warning_celsius{sensor=\"disk\",index=\"2\"} 70.00\n"),
              std::string::npos);
    EXPECT_NE(prometheus.out.find("# TYPE veltar_temperature_critical_celsius gauge\n"
                                  "veltar_temperature_critical_celsius{sensor=\"disk\",index=\"2\"} 80.00\n"),
              std::string::npos);
    const ProcessResult check = Run("veltar-report.exe", Fixture("nvme.txt"), {"--format=nagios", "--sensor=disk"});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_NE(check.out.find(" 'disk_2'=38.00;70.00;80.00 'disk_3'=-3.00;; "), std::string::npos) << check.out;

    const ProcessResult window = Run("veltar-window-text.exe", Fixture("nvme.txt"));
    EXPECT_EQ(window.exitCode, 0) << window.err;
    EXPECT_EQ(window.out, report);
}

INSTANTIATE_TEST_SUITE_P(Builds, NvmeDrives, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
