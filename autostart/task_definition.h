// A scheduled task's whole definition as the Task Scheduler takes it, for the
// tasks Veltar registers: one trigger, one principal, the settings that keep a
// program running (no time limit, on battery power, one instance) and the
// program, quoted, started from its own folder.
#pragma once

#include <string>
#include <string_view>

namespace veltar {

// The folder part of a full Windows path, without the trailing backslash.
std::u16string_view FolderOf(std::u16string_view path);

struct TaskDefinition {
    std::u16string_view description;
    std::u16string_view trigger;    // the trigger's element, e.g. "LogonTrigger"
    std::u16string_view principal;  // the principal's account element, whole
    std::u16string_view settings;   // settings beside the common ones, whole elements
    std::u16string_view program;
    std::u16string_view arguments;  // none where empty
};

std::u16string TaskXml(const TaskDefinition& task);

}  // namespace veltar
