#include "tests/e2e/process_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace veltar::e2e {
namespace {

std::string ReadAndRemove(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::remove(path.c_str());
    return content.str();
}

std::string TempPath(const char* tag) {
    std::string path = std::string("/tmp/veltar-e2e-") + tag + "-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    return path;
}

}  // namespace

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& environment) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& extra : environment)
            replaced |= entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& extra : environment)
        if (extra.back() != '=') env.push_back(extra);
    return env;
}

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         int timeoutSeconds) {
    std::vector<std::string> env = EnvironmentWith(environment);
    // coreutils' timeout bounds the wait for the child.
    std::vector<std::string> command = {"timeout", "-k", "5", std::to_string(timeoutSeconds)};
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args = NullTerminated(command);
    std::vector<char*> envp = NullTerminated(env);

    const std::string outPath = TempPath("out");
    const std::string errPath = TempPath("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_TRUNC, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "timeout", &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ProcessResult result;
    if (spawned == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.out = ReadAndRemove(outPath);
    result.err = ReadAndRemove(errPath);
    return result;
}

ProcessResult RunUnderWine(const std::string& program, const std::vector<std::string>& environment,
                           const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{SourcePath("tools/wine-run"), program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // Now and then, on a loaded machine, Wine fails to create the process at
    // all and its launcher says so in place of the program: the program never
    // ran, so it is started again (twice at most).
    const std::string notStarted = "Application could not be started, or no application associated";
    ProcessResult result = RunProcess(argv, environment);
    for (int again = 0; again < 2 && result.out.starts_with(notStarted); ++again) result = RunProcess(argv, environment);
    return result;
}

std::string FileContents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::set<std::string> names;
    if (std::filesystem::exists(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
    return names;
}

TemporaryFolder::TemporaryFolder(const std::string& tag) {
    std::string pattern = "/tmp/veltar-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string SourcePath(const std::string& relative) { return std::string(VELTAR_SOURCE_DIR) + "/" + relative; }

std::filesystem::path WinePrefix() {
    const char* chosen = std::getenv("VELTAR_WINEPREFIX");
    return chosen && *chosen ? chosen : SourcePath("build/wine-prefix");
}

ProcessResult ConfigureDeviceStandins(const std::string& fixture, bool withPawnIo,
                                      const std::vector<std::string>& environment) {
    std::vector<std::string> arguments;
    if (!withPawnIo) arguments.push_back("--without-pawnio");
    std::vector<std::string> settings = environment;
    settings.push_back("VELTAR_SENSORS=" + fixture);
    const ProcessResult r = RunUnderWine(SourcePath("build/win32/veltar-device-standins.exe"), settings, arguments);
    RunProcess({"bash", "-c", "source \"$0\" && wineserver -w", SourcePath("tools/wine-env")}, {});
    return r;
}

}  // namespace veltar::e2e
