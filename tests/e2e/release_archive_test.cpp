// The release archives as a Windows user gets them: made by the documented
// command, with a checksum beside them, holding exactly the three programs, our
// WinRing0.dll and the two texts with Windows' line ends, each binary stripped
// and carrying its version, and working once PawnIO and a module are there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "standins/devices/standin_settings.h"
#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

class ReleaseArchive : public ::testing::TestWithParam<const char*> {
protected:
    std::string Architecture() const { return GetParam(); }
    std::string Folder() const { return "veltar-1.0-" + Architecture(); }
    std::string Archive() const { return SourcePath("build/" + Architecture() + "/" + Folder() + ".zip"); }
    std::string Triplet() const { return Architecture() == "win32" ? "i686-w64-mingw32" : "x86_64-w64-mingw32"; }

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

// True when every line ends with "\r\n" and there is no other carriage return.
bool HasWindowsLineEnds(const std::string& text) {
    if (text.empty() || !text.ends_with("\r\n")) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    }
    return true;
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
                                     Folder() + "/veltar-autostart.exe", Folder() + "/veltar-history.exe",
                                     Folder() + "/WinRing0.dll", Folder() + "/README.txt",
                                     Folder() + "/PawnIO-modules.txt"}));

    const ProcessResult extracted = RunProcess({"python3", "-m", "zipfile", "-e", Archive(), unpacked.path().string()}, {});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    const fs::path folder = unpacked.path() / Folder();

    for (const char* text : {"README.txt", "PawnIO-modules.txt"})
        EXPECT_TRUE(HasWindowsLineEnds(FileContents(folder / text))) << text;

    // The checksum file names the archive beside it, as sha256sum checks it.
    const std::string checksum = FileContents(Archive() + ".sha256");
    EXPECT_NE(checksum.find(" " + Folder() + ".zip"), std::string::npos) << checksum;
    const ProcessResult checked = RunProcess(
        {"bash", "-c", "cd \"$(dirname \"$0\")\" && sha256sum --check --status \"$0.sha256\"", Archive()}, {});
    EXPECT_EQ(checked.exitCode, 0) << checksum << checked.err;

    // Our library carries its version resource; the stand-in has none.
    const std::string versionInfo = SourcePath("build/" + Architecture() + "/veltar-version-info.exe");
    for (const auto& [file, description] : {std::pair{"veltar.exe", "Veltar temperature monitor"},
                                            std::pair{"veltar-report.exe", "Veltar temperature report"},
                                            std::pair{"veltar-autostart.exe", "Veltar start at logon"},
                                            std::pair{"veltar-history.exe", "Veltar temperature history"},
                                            std::pair{"WinRing0.dll", "Veltar hardware access on PawnIO"}}) {
        const ProcessResult version = RunUnderWine(versionInfo, {}, {(folder / file).string()});
        EXPECT_EQ(version.out, std::string("FixedFileVersion=1.0.0.0\r\nFixedProductVersion=1.0.0.0\r\n") +
                                   "FileVersion=1.0.0.0\r\nProductVersion=1.0.0.0\r\nProductName=Veltar\r\n" +
                                   "FileDescription=" + description + "\r\nOriginalFilename=" + file + "\r\n")
            << file << version.err;
        const ProcessResult symbols = RunProcess({Triplet() + "-nm", (folder / file).string()}, {});
        EXPECT_NE(symbols.err.find("no symbols"), std::string::npos) << file << symbols.out.substr(0, 200);
    }

    // With PawnIO (the stand-in device) and the module a user puts there, the
    // report is the one the stand-in library gives for the same fixture.
    ASSERT_EQ(ConfigureDeviceStandins(SourcePath("tests/fixtures/machine.txt")).exitCode, 0);
    std::ofstream(folder / "IntelMSR.bin", std::ios::binary) << VELTAR_STANDIN_INTEL_MODULE;
    const ProcessResult packed = Report((folder / "veltar-report.exe").string());
    const ProcessResult built = Report(SourcePath("build/" + Architecture() + "/veltar-report.exe"));
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_NE(packed.out.find("主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\n"), std::string::npos) << packed.out;
    EXPECT_EQ(packed.out, built.out);

    // Without the library, veltar-report says so itself.
    fs::remove(folder / "WinRing0.dll");
    const ProcessResult alone = Report((folder / "veltar-report.exe").string());
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.out, "");
    EXPECT_EQ(alone.err, "veltar-report: WinRing0.dll was not found beside veltar-report.exe.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Builds, ReleaseArchive, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
