// veltar-report under Wine on the live source, over trees of kernel sensor files
// made here: the machine's temperatures as the kernel would report them. The
// expected lines are worked out by hand from the values written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

class LiveReport : public ::testing::TestWithParam<const char*> {
protected:
    // The processors that Wine shows the program, as many as its affinity mask holds.
    int Processors() const {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        return static_cast<int>(std::min<long>(online, std::string(GetParam()) == "win32" ? 32 : 64));
    }

    void Write(const std::string& path, const std::string& content) {
        const fs::path file = root / path;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

    void AddCpu(int cpu, int package, int core) {
        const std::string topology = "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
        Write(topology + "physical_package_id", std::to_string(package) + "\n");
        Write(topology + "core_id", std::to_string(core) + "\n");
    }

    // A coretemp monitor for a package, its cores reading the given thousandths of a degree.
    void AddCoretemp(int monitor, int package, int cores, const std::function<int(int core)>& milli) {
        const std::string folder = "sys/class/hwmon/hwmon" + std::to_string(monitor) + "/";
        Write(folder + "name", "coretemp\n");
        Write(folder + "temp1_label", "Package id " + std::to_string(package) + "\n");
        Write(folder + "temp1_input", "70000\n");
        for (int core = 0; core < cores; ++core) {
            const std::string sensor = folder + "temp" + std::to_string(core + 2);
            Write(sensor + "_label", "Core " + std::to_string(core) + "\n");
            Write(sensor + "_input", std::to_string(milli(core)) + "\n");
            Write(sensor + "_crit", "100000\n");
        }
    }

    ProcessResult Run(const std::string& program = "veltar-report.exe") {
        return RunUnderWine(SourcePath(std::string("build/") + GetParam() + "/" + program),
                            {"VELTAR_SENSORS=live", "VELTAR_SYSFS_ROOT=" + root.string()});
    }

    std::string ProcessorLines(const std::function<std::string(int cpu)>& celsius) const {
        std::string lines;
        for (int cpu = 0; cpu < Processors(); ++cpu)
            lines += "CPU" + std::to_string(cpu + 1) + "-温度: " + celsius(cpu) + "℃\r\n";
        return lines;
    }

    // The stand-in devices serve the tree; no test leaves them serving it for the next.
    void ServeTreeOnDevices() {
        devicesServeTree = true;
        ASSERT_EQ(ConfigureDeviceStandins("live", true, {"VELTAR_SYSFS_ROOT=" + root.string()}).exitCode, 0);
    }
    void TearDown() override {
        if (devicesServeTree) ConfigureDeviceStandins("");
    }
    bool devicesServeTree = false;

    TemporaryFolder tree{"sysfs"};
    const fs::path& root = tree.path();
};

TEST_P(LiveReport, IntelPackagesThermalZonesAndDisks) {
    // Processor i sits in package i % 2, core i / 2; core k of package p reads 40 + 10p + k degrees.
    for (int cpu = 0; cpu < Processors(); ++cpu) AddCpu(cpu, cpu % 2, cpu / 2);
    const int cores = (Processors() + 1) / 2;
    AddCoretemp(2, 0, cores, [](int core) { return 40400 + 1000 * core; });
    AddCoretemp(3, 1, cores, [](int core) { return 50400 + 1000 * core; });
    // Zones: -5 °C is 268.15 K, read as 2682 tenths, shown as -4.95; the first zone's value is the one shown.
    Write("sys/class/thermal/thermal_zone0/temp", "-5000\n");
    Write("sys/class/thermal/thermal_zone1/temp", "40000\n");
    Write("sys/class/thermal/thermal_zone2/type", "x86_pkg_temp\n");
    // Disks: sda at 36 °C through SMART (sdb's value cannot be read), then nvme0 at 41.85 °C (42) on
    // the storage path, through the stand-in storage driver that reads it at every query.
    Write("sys/class/nvme/nvme0/hwmon4/name", "nvme\n");
    Write("sys/class/nvme/nvme0/hwmon4/temp1_input", "41850\n");
    Write("sys/block/sda/device/hwmon/hwmon5/name", "drivetemp\n");
    Write("sys/block/sda/device/hwmon/hwmon5/temp1_input", "36000\n");
    Write("sys/block/sdb/device/hwmon/hwmon6/name", "drivetemp\n");
    ServeTreeOnDevices();

    const ProcessResult r = Run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string processors =
        ProcessorLines([](int cpu) { return std::to_string(40 + 10 * (cpu % 2) + cpu / 2) + ".00"; });
    EXPECT_EQ(r.out, "主板-温度: -4.95℃\r\n硬盘1温度: 36.00℃\r\n硬盘2温度: 42.00℃\r\n" + processors);
    Write("sys/class/nvme/nvme0/hwmon4/temp1_input", "-1500\n");  // -1.5 °C, the half away from zero
    EXPECT_EQ(Run().out, "主板-温度: -4.95℃\r\n硬盘1温度: 36.00℃\r\n硬盘2温度: -2.00℃\r\n" + processors);

    const ProcessResult summary = Run("veltar-live-sensors.exe");
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_EQ(summary.out, "2 thermal zones, 2 disks, " + std::to_string(Processors()) +
                               (Processors() == 1 ? " processor" : " processors") + " from coretemp\r\n");
}

TEST_P(LiveReport, HyperThreadsOfOneCoreShowItsTemperature) {
    for (int cpu = 0; cpu < Processors(); ++cpu) AddCpu(cpu, 0, cpu / 2);
    AddCoretemp(1, 0, (Processors() + 1) / 2, [](int core) { return 61600 + 2000 * core; });
    const ProcessResult r = Run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, ProcessorLines([](int cpu) { return std::to_string(62 + 2 * (cpu / 2)) + ".00"; }));
}

TEST_P(LiveReport, TheMsrDeviceIsPreferredToTheDriver) {
    for (int cpu = 0; cpu < Processors(); ++cpu) {
        AddCpu(cpu, 0, cpu);
        // Target 100 at 0x1A2, readout 55 + cpu at 0x19C: 45 - cpu degrees, where coretemp says 80.
        std::string msr(0x1A2 + 8, '\0');
        msr[0x19C + 2] = static_cast<char>(55 + cpu);
        msr[0x19C + 3] = static_cast<char>(0x88);
        msr[0x1A2 + 2] = 100;
        Write("dev/cpu/" + std::to_string(cpu) + "/msr", msr);
    }
    AddCoretemp(1, 0, Processors(), [](int) { return 80000; });
    const ProcessResult r = Run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, ProcessorLines([](int cpu) { return std::to_string(45 - cpu) + ".00"; }));
}

TEST_P(LiveReport, AmdProcessorsAllShowTheControlTemperature) {
    for (int cpu = 0; cpu < Processors(); ++cpu) AddCpu(cpu, 0, cpu);
    Write("sys/class/hwmon/hwmon0/name", "k10temp\n");
    Write("sys/class/hwmon/hwmon0/temp1_label", "Tctl\n");
    Write("sys/class/hwmon/hwmon0/temp1_input", "57250\n");
    const ProcessResult r = Run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, ProcessorLines([](int) { return std::string("57.00"); }));
}

TEST_P(LiveReport, WithoutSensorsOnlyTheProcessorLinesRemainAndRunShWouldUseTheDemo) {
    for (int cpu = 0; cpu < Processors(); ++cpu) AddCpu(cpu, 0, cpu);
    const ProcessResult r = Run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Every register read fails and leaves both halves 0.
    EXPECT_EQ(r.out, ProcessorLines([](int) { return std::string("0.00"); }));

    const ProcessResult summary = Run("veltar-live-sensors.exe");
    EXPECT_EQ(summary.exitCode, 1);
    EXPECT_EQ(summary.out, "");
}

INSTANTIATE_TEST_SUITE_P(Builds, LiveReport, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
