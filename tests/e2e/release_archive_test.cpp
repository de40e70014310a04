// The release archives as a Windows user gets them: made by the documented
// command, holding exactly the two programs, our WinRing0.dll and the two texts,
// and working once PawnIO and a module are there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "standins/pawnio/standin_config.h"
#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

class ReleaseArchive : public ::testing::TestWithParam<const char*> {
protected:
    std::string Architecture() const { return GetParam(); }
    std::string Folder() const { return "veltar-1.0-" + Architecture(); }
    std::string Archive() const { return SourcePath("build/" + Architecture() + "/" + Folder() + ".zip"); }

    ProcessResult Report(const std::string& program) {
        return RunUnderWine(program, {"VELTAR_SENSORS=" + SourcePath("tests/fixtures/machine.txt")});
    }

    TemporaryFolder unpacked{"release"};
};

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_P(ReleaseArchive, HoldsTheProgramsOurLibraryAndTheirTextsAndRunsOnPawnIo) {
    const ProcessResult made = RunProcess(
        {"bash", "-c", "cd \"$0\" && cmake --build --preset \"$1\" --target package", SourcePath("."), Architecture()},
        {}, 600);
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;

    const ProcessResult listed = RunProcess(
        {"python3", "-c", "import sys, zipfile; print('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))", Archive()},
        {});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(Lines(listed.out),
              (std::set<std::string>{Folder() + "/veltar.exe", Folder() + "/veltar-report.exe",
                                     Folder() + "/WinRing0.dll", Folder() + "/README.txt",
                                     Folder() + "/PawnIO-modules.txt"}));

    const ProcessResult extracted = RunProcess({"python3", "-m", "zipfile", "-e", Archive(), unpacked.path().string()}, {});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    const fs::path folder = unpacked.path() / Folder();

    // Our library, never the stand-in.
    EXPECT_EQ(Contents(folder / "WinRing0.dll"),
              Contents(SourcePath("build/" + Architecture() + "/hardware/WinRing0.dll")));

    // With PawnIO (the stand-in device) and the module a user puts there, the
    // report is the one the stand-in library gives for the same fixture.
    ASSERT_EQ(ConfigurePawnIoStandin("serve", SourcePath("tests/fixtures/machine.txt")).exitCode, 0);
    std::ofstream(folder / "IntelMSR.bin", std::ios::binary) << VELTAR_STANDIN_INTEL_MODULE;
    const ProcessResult packed = Report((folder / "veltar-report.exe").string());
    const ProcessResult built = Report(SourcePath("build/" + Architecture() + "/veltar-report.exe"));
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_NE(packed.out.find("主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\n"), std::string::npos) << packed.out;
    EXPECT_EQ(packed.out, built.out);

    // Without the library, Windows does not start the program at all.
    fs::remove(folder / "WinRing0.dll");
    const ProcessResult alone = Report((folder / "veltar-report.exe").string());
    EXPECT_NE(alone.exitCode, 0);
    EXPECT_EQ(alone.out, "");
}

INSTANTIATE_TEST_SUITE_P(Builds, ReleaseArchive, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
