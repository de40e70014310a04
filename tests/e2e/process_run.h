// Runs a command of the build and collects what it printed and its exit code.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace veltar::e2e {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The current environment with the extra entries: "NAME=value" sets NAME, "NAME=" removes it.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& environment);

// Pointers to the strings followed by a null pointer, as exec takes them.
std::vector<char*> NullTerminated(std::vector<std::string>& strings);

// Runs argv[0] with the extra environment entries ("NAME=value"; "NAME=" removes
// NAME), ending it after timeoutSeconds.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         int timeoutSeconds = 120);

// Runs a Windows program under Wine through tools/wine-run.
ProcessResult RunUnderWine(const std::string& program, const std::vector<std::string>& environment,
                           const std::vector<std::string>& arguments = {});

std::string SourcePath(const std::string& relative);
// The Wine prefix the programs run in: VELTAR_WINEPREFIX's, else the project's.
std::filesystem::path WinePrefix();

// Tells the stand-in devices what to play: the fixture's processor, registers
// and drives (none: nothing), with or without the PawnIO device. Then waits
// for the Wine session to end, so that the next program starts a session whose
// devices have read it.
ProcessResult ConfigureDeviceStandins(const std::string& fixture, bool withPawnIo = true,
                                      const std::vector<std::string>& environment = {});

// A file's bytes; empty when it cannot be read.
std::string FileContents(const std::filesystem::path& file);
// The names in a folder; none when it is not there.
std::set<std::string> FolderEntries(const std::filesystem::path& folder);

// A fresh folder below /tmp, removed with everything in it when the object goes.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& tag);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace veltar::e2e
