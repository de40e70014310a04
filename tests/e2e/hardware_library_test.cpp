// Our WinRing0.dll on the stand-in PawnIO device: veltar-report under Wine,
// for the x86 and the x64 build, unpacked beside our library and the module
// files as a user would. The device plays the processor of each fixture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "standins/devices/standin_settings.h"
#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) { return SourcePath("tests/fixtures/" + name); }

void ConfigureDevices(const std::string& fixture, bool withPawnIo = true) {
    const ProcessResult r = ConfigureDeviceStandins(fixture, withPawnIo);
    ASSERT_EQ(r.exitCode, 0) << r.err;
}

class HardwareLibrary : public ::testing::TestWithParam<const char*> {
protected:
    HardwareLibrary() : folder("hardware") {
        const std::string build = SourcePath(std::string("build/") + GetParam());
        fs::copy_file(build + "/veltar-report.exe", folder.path() / "veltar-report.exe");
        fs::copy_file(build + "/hardware/WinRing0.dll", folder.path() / "WinRing0.dll");
    }

    void TearDown() override { ConfigureDevices(""); }

    void AddModule(const std::string& file, const char* content) {
        std::ofstream(folder.path() / file, std::ios::binary) << content << "\n";
    }
    void AddBothModules() {
        AddModule("IntelMSR.bin", VELTAR_STANDIN_INTEL_MODULE);
        AddModule("AMDFamily17.bin", VELTAR_STANDIN_AMD_MODULE);
    }

    ProcessResult Report(const std::string& fixture) {
        return RunUnderWine((folder.path() / "veltar-report.exe").string(), {"VELTAR_SENSORS=" + fixture});
    }

    // One line a processor, the first two apart from the rest.
    std::string ProcessorLines(const std::string& first, const std::string& second, const std::string& rest) const {
        const long processors = std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), std::string(GetParam()) == "win32" ? 32 : 64);
        std::string lines;
        for (long i = 1; i <= processors; ++i)
            lines += "CPU" + std::to_string(i) + "-温度: " + (i == 1 ? first : i == 2 ? second : rest) + "℃\r\n";
        return lines;
    }

    void ExpectFailure(const ProcessResult& r, const std::string& reason) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        const std::size_t library = r.err.find("WinRing0.dll could not be initialised");
        const std::size_t why = r.err.find("veltar-report: " + reason);
        EXPECT_NE(library, std::string::npos) << r.err;
        EXPECT_NE(why, std::string::npos) << r.err;
        EXPECT_LT(library, why) << r.err;
    }

    TemporaryFolder folder;
};

TEST_P(HardwareLibrary, ReadsAnIntelProcessorsRegistersOnEachProcessor) {
    ConfigureDevices(Fixture("machine.txt"));
    AddBothModules();
    const ProcessResult r = Report(Fixture("machine.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // 0x1A2 gives 100; 0x19C 55 on processor 0, 50 on processor 1, 60 on the rest.
    EXPECT_EQ(r.out, "主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\n硬盘2温度: 38.00℃\r\n硬盘3温度: 0.00℃\r\n" +
                         ProcessorLines("45.00", "50.00", "40.00"));
}

TEST_P(HardwareLibrary, ServesAnAmdProcessorsControlTemperatureOnEveryProcessor) {
    ConfigureDevices(Fixture("amd.txt"));
    AddBothModules();  // IntelMSR.bin is tried first and refused
    const ProcessResult r = Report(Fixture("amd.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "主板-温度: 52.05℃\r\n" + ProcessorLines("51.00", "51.00", "51.00"));
}

TEST_P(HardwareLibrary, AnAmdModelWhoseTctlRunsAboveTheDieShowsTheDieTemperature) {
    ConfigureDevices(Fixture("amd.txt"));
    AddBothModules();
    // Wine writes the processor's name afresh whenever its server starts: it is
    // set in the session that runs the report.
    std::ofstream(folder.path() / "report.bat", std::ios::binary)
        << "@reg add \"HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\" /v ProcessorNameString "
           "/t REG_SZ /d \"AMD Ryzen 7 1700X Eight-Core Processor\" /f >nul\r\n"
           "@\"%~dp0veltar-report.exe\"\r\n";
    std::string batch = "Z:" + (folder.path() / "report.bat").string();
    std::replace(batch.begin(), batch.end(), '/', '\\');
    const ProcessResult r = RunUnderWine("cmd", {"VELTAR_SENSORS=" + Fixture("amd.txt")}, {"/c", batch});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "主板-温度: 52.05℃\r\n" + ProcessorLines("31.00", "31.00", "31.00"));  // Tctl 51 less 20
}

TEST_P(HardwareLibrary, AProcessorWhoseReadFailsShowsWhatEmptyHalvesGive) {
    ConfigureDevices(Fixture("register-missing.txt"));
    AddModule("IntelMSR.bin", VELTAR_STANDIN_INTEL_MODULE);
    const ProcessResult r = Report(Fixture("register-missing.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The target 100 less a readout of 0.
    EXPECT_EQ(r.out, ProcessorLines("45.00", "100.00", "100.00"));
}

TEST_P(HardwareLibrary, EachReasonForAFailedStartIsSaidAndExitsOne) {
    // No module file beside the program.
    ConfigureDevices(Fixture("machine.txt"));
    ExpectFailure(Report(Fixture("machine.txt")), "IntelMSR.bin and AMDFamily17.bin were not found beside veltar.exe");

    // Only the module of the other vendor.
    AddModule("AMDFamily17.bin", VELTAR_STANDIN_AMD_MODULE);
    ExpectFailure(Report(Fixture("machine.txt")), "PawnIO: no module accepted this processor");

    // A file that is no module.
    AddModule("IntelMSR.bin", "not a module");
    ExpectFailure(Report(Fixture("machine.txt")), "PawnIO: no module accepted this processor");

    // No driver.
    ConfigureDevices("", false);
    ExpectFailure(Report(Fixture("machine.txt")), "PawnIO is not installed: ");
}

// The x64 library reads the board's Super I/O chip through LpcIO where the
// management service has no mainboard object; the x86 one has no LpcIO.
TEST_P(HardwareLibrary, TheBoardsChipGivesTheMainboardLineOnADesktopWithoutAZone) {
    const bool x64 = std::string(GetParam()) == "win64";
    const std::string chipless = FileContents(Fixture("superio.txt"));
    const auto withChip = [&](const std::string& name, const std::string& base, const std::string& chip) {
        const std::string path = (folder.path() / name).string();
        std::ofstream(path, std::ios::binary) << base << chip << "\n";
        return path;
    };
    const std::string machine = FileContents(Fixture("machine.txt"));
    const struct {
        const char* name;
        std::string fixture;
        bool module;
        std::string mainboard;
    } cases[] = {
        {"Nuvoton", Fixture("superio.txt"), true, x64 ? "主板-温度: 34.00℃\r\n" : ""},
        {"ITE", withChip("ite.txt", chipless.substr(0, chipless.find("superio")), "superio 0x8688 1 0x0A40 41"), true,
         x64 ? "主板-温度: 41.00℃\r\n" : ""},
        {"without LpcIO.bin", Fixture("superio.txt"), false, ""},
        {"the service's probe stands", withChip("probe.txt", machine, "superio 0xD428 1 0x0295 34"), true, "主板-温度: 27.85℃\r\n"},
    };
    AddModule("IntelMSR.bin", VELTAR_STANDIN_INTEL_MODULE);
    for (const auto& c : cases) {
        ConfigureDevices(c.fixture);
        fs::remove(folder.path() / "LpcIO.bin");
        if (c.module) AddModule("LpcIO.bin", VELTAR_STANDIN_LPC_MODULE);
        const ProcessResult r = Report(c.fixture);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find("硬盘") == std::string::npos ? r.out.find("CPU1") : r.out.find("硬盘")),
                  c.mainboard)
            << c.name << "\n" << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, HardwareLibrary, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
