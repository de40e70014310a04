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
#include <vector>

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

// A release signed with a throw-away root's code-signing certificate: every
// program, library and installer verifies against that root, the checksums are
// of the signed files, and winget's manifest, once both builds are packaged,
// lists both installers with the values the MSIs hold. A wrong password fails
// the package step.
TEST(SignedRelease, EveryFileVerifiesAgainstItsRootAndWingetListsBothInstallers) {
    TemporaryFolder work("signed");
    const fs::path root = work.path() / "root.pem";
    const fs::path pfx = work.path() / "sign.pfx";
    std::ofstream(work.path() / "leaf.ext") << "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                                               "extendedKeyUsage=codeSigning\n";
    const std::string certificates =
        "cd \"$0\" && openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 2 "
        "-subj '/CN=Veltar test root' -addext basicConstraints=critical,CA:TRUE "
        "-addext keyUsage=critical,keyCertSign,cRLSign && "
        "openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr -subj '/CN=Veltar test signer' && "
        "openssl x509 -req -in leaf.csr -CA root.pem -CAkey root.key -CAcreateserial -out leaf.pem -days 2 "
        "-extfile leaf.ext && "
        "openssl pkcs12 -export -inkey leaf.key -in leaf.pem -certfile root.pem -out sign.pfx -passout 'pass:test pass'";
    ASSERT_EQ(RunProcess({"bash", "-c", certificates, work.path().string()}, {}).exitCode, 0);

    const auto package = [&](const std::string& architecture, const std::string& password) {
        return RunProcess({"bash", "-c", "cd \"$0\" && cpack -B \"$1\"", SourcePath("build/" + architecture),
                           (work.path() / architecture).string()},
                          {"VELTAR_SIGN_PFX=" + pfx.string(), "VELTAR_SIGN_PASSWORD=" + password,
                           "VELTAR_RELEASE_URL=https://downloads.example/veltar/1.0/"},
                          600);
    };
    const ProcessResult refused = package("win64", "wrong");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE((refused.out + refused.err).find("cannot be used"), std::string::npos) << refused.out << refused.err;
    EXPECT_FALSE(fs::exists(work.path() / "win64" / "veltar-1.0-win64.zip"));

    for (const std::string architecture : {"win32", "win64"}) {
        const ProcessResult made = package(architecture, "test pass");
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
        EXPECT_NE(made.out.find("Signed and verified 5 programs and libraries."), std::string::npos) << made.out;
        const fs::path out = work.path() / architecture;
        const fs::path unpacked = out / "unpacked";
        ASSERT_EQ(RunProcess({"python3", "-m", "zipfile", "-e", (out / ("veltar-1.0-" + architecture + ".zip")).string(),
                              unpacked.string()}, {}).exitCode, 0);
        std::vector<fs::path> signedFiles{out / ("veltar-1.0-" + architecture + ".msi")};
        for (const auto& entry : fs::recursive_directory_iterator(unpacked))
            if (entry.path().extension() == ".exe" || entry.path().extension() == ".dll") signedFiles.push_back(entry.path());
        EXPECT_EQ(signedFiles.size(), 6u);
        for (const fs::path& file : signedFiles) {
            const ProcessResult verified =
                RunProcess({"osslsigncode", "verify", "-CAfile", root.string(), "-in", file.string()}, {});
            EXPECT_EQ(verified.exitCode, 0) << file << verified.out << verified.err;
            EXPECT_NE(verified.out.find("Signature verification: ok"), std::string::npos) << file;
            EXPECT_NE(verified.out.find("/CN=Veltar test signer"), std::string::npos) << file;
        }
        for (const std::string package : {".zip", ".msi"}) {
            const std::string file = (out / ("veltar-1.0-" + architecture + package)).string();
            EXPECT_EQ(RunProcess({"bash", "-c", "cd \"$(dirname \"$0\")\" && sha256sum --check --status \"$0.sha256\"", file},
                                 {}).exitCode, 0) << file;
        }
    }

    // winget's installer manifest: both MSIs, each with its own file's hash and codes.
    const fs::path manifests = work.path() / "winget/manifests/v/Veltar/Veltar/1.0.0";
    EXPECT_EQ(FolderEntries(manifests), (std::set<std::string>{"Veltar.Veltar.yaml", "Veltar.Veltar.installer.yaml",
                                                                "Veltar.Veltar.locale.en-US.yaml"}));
    const std::string installer = FileContents(manifests / "Veltar.Veltar.installer.yaml");
    EXPECT_TRUE(installer.starts_with("# yaml-language-server: $schema=https://aka.ms/winget-manifest.installer.1.12.0.schema.json\n"
                                      "PackageIdentifier: Veltar.Veltar\nPackageVersion: 1.0.0\n")) << installer;
    for (const auto& [architecture, winget] : {std::pair{"win32", "x86"}, std::pair{"win64", "x64"}}) {
        const fs::path msi = work.path() / architecture / ("veltar-1.0-" + std::string(architecture) + ".msi");
        const std::string properties = RunProcess({"msiinfo", "export", msi.string(), "Property"}, {}).out;
        const auto property = [&](const std::string& name) {
            const std::size_t at = properties.find("\n" + name + "\t") + name.size() + 2;
            return properties.substr(at, properties.find_first_of("\r\n", at) - at);
        };
        std::string hash = RunProcess({"sha256sum", msi.string()}, {}).out.substr(0, 64);
        for (char& c : hash) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string entry = std::string("- Architecture: ") + winget + "\n  InstallerType: msi\n  Scope: machine\n"
                                  "  InstallerUrl: https://downloads.example/veltar/1.0/veltar-1.0-" + architecture + ".msi\n"
                                  "  InstallerSha256: " + hash + "\n  ProductCode: '" + property("ProductCode") + "'\n"
                                  "  UpgradeBehavior: install\n  ElevationRequirement: elevatesSelf\n"
                                  "  AppsAndFeaturesEntries:\n  - UpgradeCode: '" + property("UpgradeCode") + "'\n";
        EXPECT_NE(installer.find(entry), std::string::npos) << entry << "\n" << installer;
        EXPECT_EQ(property("ProductVersion"), "1.0.0");
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, ReleaseArchive, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
