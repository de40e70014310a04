// Builds reports on a thread of its own, one at a time, so that a sensor that
// stalls never stalls the window. The window asks for a report at each tick
// and takes the newest one when it is told that one is ready.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

class ReportWorker {
public:
    using Readings = std::vector<TemperatureReading>;
    using Build = std::function<Readings()>;
    // Runs on the worker's thread as it starts: the build it makes, and what
    // that holds, live on that thread and are destroyed there when it ends.
    using MakeBuild = std::function<Build()>;
    // Runs on the worker's thread each time a report is ready to be taken.
    using Ready = std::function<void()>;
    // Runs on the worker's thread with each report once the window has been
    // told of it, so that nothing it does delays the report; made there as it starts.
    using Keep = std::function<void(const Readings&)>;
    using MakeKeep = std::function<Keep()>;

    ReportWorker(MakeBuild makeBuild, Ready ready, MakeKeep makeKeep = {});
    ~ReportWorker();
    ReportWorker(const ReportWorker&) = delete;
    ReportWorker& operator=(const ReportWorker&) = delete;

    // Starts a build, unless one is being built or asked for already: false then.
    bool Request();
    // The newest report built and not yet taken.
    std::optional<Readings> Take();
    // Ends the worker: true when its thread has ended within the wait, so that
    // nothing it called is running any more. A thread stuck in a build is left
    // to end with the process; it starts nothing more and reports nothing.
    bool Stop(std::chrono::milliseconds wait);

private:
    struct State;
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

}  // namespace veltar
