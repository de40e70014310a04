// The logon task in the Task Scheduler, through its COM interfaces. The caller
// has initialised COM on this thread.
#pragma once

#include <windows.h>

#include <string>

namespace veltar {

// The step that failed and the scheduler's status; no step on success.
struct SchedulerFailure {
    std::u16string step;
    HRESULT status = S_OK;
    explicit operator bool() const { return !step.empty(); }
};

// Registers the task \Veltar from its whole definition, replacing one there.
SchedulerFailure RegisterLogonTask(const std::u16string& xml);

// Removes the task; no task is success.
SchedulerFailure DeleteLogonTask();

struct LogonTaskState {
    bool registered = false;
    std::u16string program;  // empty where the scheduler does not give it back
};

// Whether the task is there, and what it starts.
SchedulerFailure QueryLogonTask(LogonTaskState& state);

}  // namespace veltar
