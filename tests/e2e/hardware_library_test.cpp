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

// The x64 library reads the memory modules' sensors through the SMBus module
// PawnIO takes for the chipset, after the graphics card's line, each judged
// against its own limits; the x86 one has no SMBus module. The stand-in plays
// AMD's controller with port 2 selected and the modules on port 0, and refuses
// any write.
TEST_P(HardwareLibrary, TheMemoryModulesSensorsFollowTheGraphicsCard) {
    const bool x64 = std::string(GetParam()) == "win64";
    const std::string build = SourcePath(std::string("build/") + GetParam());
    for (const char* dll : {"gdi32.dll", "gdi32w.dll"}) fs::copy_file(build + "/" + dll, folder.path() / dll);
    const std::string intel = Fixture("memory.txt");
    const std::string amd = (folder.path() / "amd.txt").string();
    std::ofstream(amd, std::ios::binary) << FileContents(Fixture("amd.txt"))
                                         << "memory 1 ddr4 -3.0625 limits 85 95\nmemory 4 ddr4 45.5 limits 85 95\n";
    const struct {
        const char* name;
        std::string fixture;
        bool modules;
        std::string memory;
        std::string check;
    } cases[] = {
        {"DDR5 on Intel's controller", intel, true,
         x64 ? "内存1温度: 56.25℃\r\n内存2温度: 41.50℃\r\n" : "", x64 ? "VELTAR WARNING - memory_1 at 56.25 C" : "VELTAR UNKNOWN"},
        {"DDR4 on AMD's, port 0", amd, true,
         x64 ? "内存1温度: -3.06℃\r\n内存2温度: 45.50℃\r\n" : "", x64 ? "VELTAR OK" : "VELTAR UNKNOWN"},
        {"without a module file", intel, false, "", "VELTAR UNKNOWN"},
    };
    AddBothModules();
    for (const auto& c : cases) {
        ConfigureDevices(c.fixture);
        fs::remove(folder.path() / "SmbusI801.bin");
        fs::remove(folder.path() / "SmbusPIIX4.bin");
        if (c.modules) {
            // Both lie beside the library; the driver refuses the other chipset's.
            AddModule("SmbusI801.bin", VELTAR_STANDIN_SMBUS_I801_MODULE);
            AddModule("SmbusPIIX4.bin", VELTAR_STANDIN_SMBUS_PIIX4_MODULE);
        }
        const std::vector<std::string> environment{"VELTAR_SENSORS=" + c.fixture, "WINEDLLOVERRIDES=gdi32=n,b"};
        const std::string program = (folder.path() / "veltar-report.exe").string();
        const ProcessResult text = RunUnderWine(program, environment, {});
        EXPECT_EQ(text.exitCode, 0) << text.err;
        // The memory's lines end the report, right after the graphics card's where there is one.
        const std::size_t memory = text.out.find("内存");
        EXPECT_EQ(memory == std::string::npos ? std::string() : text.out.substr(memory), c.memory) << c.name << "\n" << text.out;
        if (!c.memory.empty() && c.fixture == intel) {
            EXPECT_TRUE(text.out.substr(0, memory).ends_with("GPU1-温度: 65.30℃\r\n")) << text.out;
        }
        const ProcessResult check = RunUnderWine(program, environment, {"--format=nagios", "--sensor=memory"});
        EXPECT_EQ(check.out.substr(0, std::string(c.check).size()), c.check) << c.name << "\n" << check.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, HardwareLibrary, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
