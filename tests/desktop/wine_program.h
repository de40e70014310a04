// A Windows program of the build started under Wine through tools/wine-run, as
// a user starts it, in a process group of its own that ends with the object.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace veltar::desktop {

class WineProgram {
public:
    // Starts the program with the extra environment entries ("NAME=value").
    WineProgram(const std::string& program, const std::vector<std::string>& environment);
    ~WineProgram();
    WineProgram(const WineProgram&) = delete;
    WineProgram& operator=(const WineProgram&) = delete;

    bool started() const { return m_pid > 0; }
    // The exit code, or nothing when the program has not ended in time.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    pid_t m_pid = -1;
    int m_pidfd = -1;  // becomes readable when the process ends
    std::optional<int> m_exitCode;
};

}  // namespace veltar::desktop
