// Veltar's tasks in the Task Scheduler's root folder, through its COM
// interfaces. The caller has initialised COM on this thread.
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

// Who a task runs as: the members of the group its definition names, or the
// service account its definition names.
enum class TaskAccount { Group, ServiceAccount };

// Registers the task from its whole definition, replacing one there.
SchedulerFailure RegisterTask(std::u16string_view name, const std::u16string& xml, TaskAccount account);

// Removes the task; no task is success.
SchedulerFailure DeleteTask(std::u16string_view name);

struct TaskState {
    bool registered = false;
    std::u16string program;    // empty where the scheduler does not give it back
    std::u16string arguments;
};

// Whether the task is there, and what it starts.
SchedulerFailure QueryTask(std::u16string_view name, TaskState& state);

}  // namespace veltar
