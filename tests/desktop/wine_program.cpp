#include "tests/desktop/wine_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>


#include "tests/e2e/process_run.h"

namespace veltar::desktop {

WineProgram::WineProgram(const std::string& program, const std::vector<std::string>& environment) {
    std::vector<std::string> env = e2e::EnvironmentWith(environment);
    std::vector<std::string> command = {e2e::SourcePath("tools/wine-run"), program};
    std::vector<char*> args = e2e::NullTerminated(command);
    std::vector<char*> envp = e2e::NullTerminated(env);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), envp.data()) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (m_pid > 0) m_pidfd = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
}

WineProgram::~WineProgram() {
    if (m_pid > 0 && !m_exitCode) {
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_pidfd >= 0) close(m_pidfd);
}

std::optional<int> WineProgram::WaitForExit(std::chrono::milliseconds timeout) {
    if (m_exitCode || m_pid <= 0) return m_exitCode;
    pollfd ended{m_pidfd, POLLIN, 0};
    if (m_pidfd < 0 || poll(&ended, 1, static_cast<int>(timeout.count())) != 1) return std::nullopt;
    int status = 0;
    if (waitpid(m_pid, &status, 0) == m_pid) m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_exitCode;
}

}  // namespace veltar::desktop
