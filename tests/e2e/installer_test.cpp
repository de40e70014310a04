// Veltar set up as an administrator of many PCs sets it up: each MSI installed
// silently in a fresh Wine prefix of its own, upgraded, refused over a later
// version and removed, leaving nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/process_run.h"

namespace veltar::e2e {
namespace {

namespace fs = std::filesystem;

// msiexec's exit code for a refused installation (1603), as Wine cuts it to 8 bits.
constexpr int kInstallFailed = 1603 & 0xFF;

// One value of an MSI table row, by msiinfo's tab-separated export.
std::map<std::string, std::string> TableColumns(const std::string& msi, const std::string& table, int key,
                                                int value) {
    const ProcessResult r = RunProcess({"msiinfo", "export", msi, table}, {});
    std::map<std::string, std::string> rows;
    std::istringstream in(r.out);
    int lineNumber = 0;
    for (std::string line; std::getline(in, line); ++lineNumber) {
        if (lineNumber < 3) continue;  // column names, types and the table's key
        std::vector<std::string> cells;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
        if (static_cast<int>(cells.size()) > std::max(key, value)) rows[cells[key]] = cells[value];
    }
    return rows;
}

class Installer : public ::testing::TestWithParam<const char*> {
protected:
    std::string Arch() const { return GetParam(); }
    bool Is64() const { return Arch() == "win64"; }
    std::string Msi(const std::string& folder, const std::string& version) const {
        return folder + "/veltar-" + version + "-" + Arch() + ".msi";
    }

    // A program in the fresh prefix, without the project's stand-ins: a clean machine.
    ProcessResult Wine(const std::vector<std::string>& arguments, const char* loader = "wine") {
        std::vector<std::string> argv{loader};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProcess(argv,
                          {"WINEPREFIX=" + prefix.path().string(), std::string("WINEARCH=") + (Is64() ? "win64" : "win32"),
                           "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d", "DISPLAY="},
                          300);
    }
    ProcessResult Msiexec(const std::string& action, const std::string& msi, const std::string& property = {}) {
        std::vector<std::string> arguments{"msiexec", action, "Z:" + msi, "/qn"};
        if (!property.empty()) arguments.push_back(property);
        return Wine(arguments);
    }

    // DisplayName and DisplayVersion of every entry in Apps & features.
    std::vector<std::pair<std::string, std::string>> UninstallEntries() {
        std::vector<std::string> query{"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                       "/s"};
        if (Is64()) query.push_back("/reg:64");
        std::istringstream in(Wine(query).out);
        std::vector<std::pair<std::string, std::string>> entries;
        std::map<std::string, std::string> values;
        auto flush = [&] {
            if (values.count("DisplayName")) entries.emplace_back(values["DisplayName"], values["DisplayVersion"]);
            if (values["DisplayName"] == "Veltar") publisher = values["Publisher"];
            values.clear();
        };
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("HKEY_", 0) == 0) flush();
            std::istringstream words(line);
            std::string name, type;
            if (words >> name >> type && type == "REG_SZ") {
                std::string value;
                std::getline(words >> std::ws, value);
                values[name] = value;
            }
        }
        flush();
        return entries;
    }

    fs::path Drive() const { return prefix.path() / "drive_c"; }
    fs::path InstallFolder() const { return Drive() / "Program Files" / "Veltar"; }
    fs::path Task() const { return Drive() / "windows/system32/tasks/Veltar"; }
    fs::path ExporterTask() const { return Drive() / "windows/system32/tasks/Veltar exporter"; }
    std::vector<fs::path> Shortcuts() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(Drive() / "users"))
            if (entry.path().filename() == "Veltar.lnk" || entry.path().filename() == "Veltar history.lnk")
                found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }

    // Makes the packages of a build folder, and unpacks its zip beside them.
    void Package(const std::string& folder, const std::string& version) {
        const ProcessResult made = RunProcess({"bash", "-c", "cd \"$0\" && cpack", folder}, {"VELTAR_SIGN_PFX="}, 600);
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
        const std::string unsigned_ = "not signed: VELTAR_SIGN_PFX is not set";
        EXPECT_NE(made.out.find(unsigned_), std::string::npos) << made.out;
        EXPECT_EQ(made.out.find(unsigned_), made.out.rfind(unsigned_)) << "said once";
        const fs::path zip = folder + "/veltar-" + version + "-" + Arch() + ".zip";
        const ProcessResult unpacked =
            RunProcess({"python3", "-m", "zipfile", "-e", zip.string(), (unpacked_.path() / version).string()}, {});
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    }
    // Copies the files of one version, raising the binaries' version resources
    // from 1.0.0.0 to 1.0.1.0 as a build of 1.0.1 gives them: the fixed file
    // and product versions and their texts.
    void StageLaterVersion(const fs::path& from, const fs::path& to) {
        fs::create_directories(to);
        for (const auto& entry : fs::directory_iterator(from)) {
            std::string bytes = FileContents(entry.path());
            const std::string extension = entry.path().extension().string();
            if (extension == ".exe" || extension == ".dll") {
                const std::size_t fixed = bytes.find(std::string("\xBD\x04\xEF\xFE", 4));
                ASSERT_NE(fixed, std::string::npos) << entry.path();
                for (const std::size_t versionLs : {12, 20}) bytes[fixed + versionLs + 2] = 1;  // patch 0 → 1
                const std::string old("1\0.\0" "0\0.\0" "0\0.\0" "0\0", 14);
                const std::string raised("1\0.\0" "0\0.\0" "1\0.\0" "0\0", 14);
                for (std::size_t at = bytes.find(old); at != std::string::npos; at = bytes.find(old, at))
                    bytes.replace(at, old.size(), raised);
            } else if (extension == ".txt") {
                bytes += "\r\n";
            }
            std::ofstream(to / entry.path().filename(), std::ios::binary) << bytes;
        }
    }
    // The installer of the staged files, as the package target makes it.
    void MakeInstaller(const fs::path& staged, const std::string& folder, const std::string& version) {
        const std::string build = SourcePath("build/" + Arch());
        const ProcessResult made = RunProcess(
            {"cmake", "-DCPACK_PACKAGE_DIRECTORY=" + folder,
             "-DCPACK_PACKAGE_FILE_NAME=veltar-" + version + "-" + Arch(),
             "-DCPACK_TEMPORARY_DIRECTORY=" + staged.string(), "-DCPACK_VELTAR_ARCHITECTURE=" + Arch(),
             "-DCPACK_VELTAR_MSI_VERSION=" + version, "-DCPACK_VELTAR_WIXL=wixl",
             "-DCPACK_VELTAR_WXS=" + SourcePath("packaging/veltar.wxs"),
             "-DCPACK_VELTAR_ICON=" + build + "/res/veltar.ico", "-P", SourcePath("packaging/make_msi.cmake")},
            {}, 300);
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
    }
    fs::path Unpacked(const std::string& version) const {
        return unpacked_.path() / version / ("veltar-" + version + "-" + Arch());
    }

    TemporaryFolder prefix{"msi-prefix"};
    TemporaryFolder unpacked_{"msi-files"};
    std::string publisher;
};

TEST_P(Installer, InstallsSilentlyUpgradesInPlaceAndRemovesEverything) {
    const std::string built = SourcePath("build/" + Arch());
    ASSERT_NO_FATAL_FAILURE(Package(built, "1.0"));
    const std::string msi = Msi(built, "1.0");

    // The package's own tables: the version, the fixed upgrade code, the
    // architecture and exactly the archive's files.
    const auto properties = TableColumns(msi, "Property", 0, 1);
    EXPECT_EQ(properties.at("ProductVersion"), "1.0.0");
    EXPECT_EQ(properties.at("UpgradeCode"), Is64() ? "{75EA8477-8E37-4719-A710-06DC3FC8820E}"
                                                   : "{DD827E78-1E6E-4F0B-AA0A-30F8C5E2B5D9}");
    EXPECT_EQ(properties.at("Manufacturer"), "Veltar");
    EXPECT_EQ(properties.at("ARPPRODUCTICON"), "veltar.ico");
    const ProcessResult summary = RunProcess({"msiinfo", "suminfo", msi}, {});
    EXPECT_NE(summary.out.find(Is64() ? "Template: x64;1033" : "Template: Intel;1033"), std::string::npos)
        << summary.out;
    std::set<std::string> packed;
    for (const auto& [file, name] : TableColumns(msi, "File", 0, 2)) packed.insert(name);
    EXPECT_EQ(packed, FolderEntries(Unpacked("1.0")));
    EXPECT_EQ(FolderEntries(Unpacked("1.0")),
              (std::set<std::string>{"veltar.exe", "veltar-report.exe", "veltar-autostart.exe", "veltar-history.exe",
                                     "WinRing0.dll",
                                     "README.txt", "PawnIO-modules.txt"}));
    EXPECT_EQ(FileContents(msi + ".sha256").substr(64), "  veltar-1.0-" + Arch() + ".msi\n");
    const ProcessResult checked =
        RunProcess({"bash", "-c", "cd \"$(dirname \"$0\")\" && sha256sum --check --status \"$0.sha256\"", msi}, {});
    EXPECT_EQ(checked.exitCode, 0);

    // The next version, for the upgrade: the same binaries with their version
    // resources raised, and its installer made by the same script.
    const std::string later = unpacked_.path().string();
    ASSERT_NO_FATAL_FAILURE(StageLaterVersion(Unpacked("1.0"), Unpacked("1.0.1")));
    ASSERT_NO_FATAL_FAILURE(MakeInstaller(Unpacked("1.0.1"), later, "1.0.1"));

    const ProcessResult booted = Wine({"wineboot", "-i"});
    ASSERT_EQ(booted.exitCode, 0) << booted.err;
    Wine({"-w"}, "wineserver");  // the prefix's set-up goes on after wineboot returns: the scheduler starts last

    // An older version over a later one is refused, and changes nothing.
    ASSERT_EQ(Msiexec("/i", Msi(later, "1.0.1")).exitCode, 0);
    EXPECT_FALSE(fs::exists(Task()));  // not asked for
    EXPECT_FALSE(fs::exists(ExporterTask()));
    EXPECT_EQ(Msiexec("/i", msi).exitCode, kInstallFailed);
    EXPECT_EQ(TableColumns(msi, "LaunchCondition", 0, 1).at("NOT WIX_DOWNGRADE_DETECTED"),
              "A later version of Veltar is already installed. Remove it first to install this one.");
    EXPECT_EQ(UninstallEntries(), (std::vector<std::pair<std::string, std::string>>{{"Veltar", "1.0.1"}}));
    ASSERT_EQ(Msiexec("/x", Msi(later, "1.0.1")).exitCode, 0);

    // Installed for a fleet: silently, starting at logon and writing for Prometheus
    // into a folder of its own (made, closing backslash and all).
    const ProcessResult installed =
        Wine({"msiexec", "/i", "Z:" + msi, "/qn", "AUTOSTART=1", "EXPORTER=1", "EXPORTER_DIR=C:\\prom files\\", "EXPORTER_INTERVAL=30"});
    ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
    EXPECT_EQ(FolderEntries(InstallFolder()), FolderEntries(Unpacked("1.0")));
    for (const auto& name : FolderEntries(Unpacked("1.0")))
        EXPECT_EQ(FileContents(InstallFolder() / name), FileContents(Unpacked("1.0") / name)) << name;
    ASSERT_EQ(Shortcuts().size(), 2u);
    EXPECT_NE(Shortcuts()[0].string().find("Start Menu/Programs/Veltar history.lnk"), std::string::npos);
    EXPECT_NE(Shortcuts()[1].string().find("Start Menu/Programs/Veltar.lnk"), std::string::npos);
    for (const auto& [link, program] : {std::pair{0, "veltar-history.exe"}, std::pair{1, "veltar.exe"}}) {
        const std::string shortcut = FileContents(Shortcuts()[static_cast<std::size_t>(link)]);
        for (const std::string& path : {"C:\\Program Files\\Veltar\\" + std::string(program), std::string("C:\\Program Files\\Veltar")}) {
            std::string wide;
            for (const char c : path) wide += std::string{c, '\0'};
            EXPECT_TRUE(shortcut.find(path) != std::string::npos || shortcut.find(wide) != std::string::npos) << path;
        }
    }
    EXPECT_EQ(UninstallEntries(), (std::vector<std::pair<std::string, std::string>>{{"Veltar", "1.0.0"}}));
    EXPECT_EQ(publisher, "Veltar");
    EXPECT_TRUE(fs::exists(Task()));
    EXPECT_TRUE(fs::exists(ExporterTask()));
    EXPECT_TRUE(fs::is_directory(Drive() / "prom files"));
    const ProcessResult report = Wine({"C:\\Program Files\\Veltar\\veltar-report.exe"});
    EXPECT_EQ(report.exitCode, 1);  // our library ran from the install folder and found no PawnIO
    EXPECT_NE(report.err.find("veltar-report: PawnIO is not installed"), std::string::npos) << report.err;

    // An upgrade replaces it in place and keeps the start at logon.
    ASSERT_EQ(Msiexec("/i", Msi(later, "1.0.1")).exitCode, 0);
    EXPECT_EQ(UninstallEntries(), (std::vector<std::pair<std::string, std::string>>{{"Veltar", "1.0.1"}}));
    for (const auto& name : FolderEntries(Unpacked("1.0.1")))
        EXPECT_EQ(FileContents(InstallFolder() / name), FileContents(Unpacked("1.0.1") / name)) << name;
    EXPECT_TRUE(fs::exists(Task()));
    EXPECT_TRUE(fs::exists(ExporterTask()));

    // Removed silently: nothing is left.
    ASSERT_EQ(Msiexec("/x", Msi(later, "1.0.1")).exitCode, 0);
    EXPECT_FALSE(fs::exists(InstallFolder()));
    EXPECT_TRUE(Shortcuts().empty());
    EXPECT_EQ(UninstallEntries(), (std::vector<std::pair<std::string, std::string>>{}));
    EXPECT_FALSE(fs::exists(Task()));
    EXPECT_FALSE(fs::exists(ExporterTask()));
    std::vector<std::string> key{"reg", "query", "HKLM\\Software\\Veltar"};
    if (Is64()) key.push_back("/reg:64");
    EXPECT_NE(Wine(key).exitCode, 0);
    Wine({"-k"}, "wineserver");
}

INSTANTIATE_TEST_SUITE_P(Builds, Installer, ::testing::Values("win32", "win64"));

}  // namespace
}  // namespace veltar::e2e
