// The release archives as a Windows user gets them: made by the documented
// command, holding exactly the two programs and README.txt, and working once the
// hardware-access library is put beside them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

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

TEST_P(ReleaseArchive, HoldsTheProgramsAndTheirReadmeAndRunsWithTheLibraryBesideThem) {
    const ProcessResult made = RunProcess(
        {"bash", "-c", "cd \"$0\" && cmake --build --preset \"$1\" --target package", SourcePath("."), Architecture()},
        {}, 600);
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;

    const ProcessResult listed = RunProcess(
        {"python3", "-c", "import sys, zipfile; print('\\n'.join(zipfile.ZipFile(sys.argv[1]).namelist()))", Archive()},
        {});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(Lines(listed.out), (std::set<std::string>{Folder() + "/veltar.exe", Folder() + "/veltar-report.exe",
                                                        Folder() + "/README.txt"}));

    const ProcessResult extracted = RunProcess({"python3", "-m", "zipfile", "-e", Archive(), unpacked.path().string()}, {});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    const fs::path folder = unpacked.path() / Folder();

    // As a user places the real library: here our stand-in, over the fixture.
    fs::copy_file(SourcePath("build/" + Architecture() + "/WinRing0.dll"), folder / "WinRing0.dll");
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
