// The scheduled task that starts Veltar, elevated, when an administrator logs on.
#pragma once

#include <string>
#include <string_view>

namespace veltar {

// The task's name in the scheduler's root folder (\Veltar).
inline constexpr char16_t kLogonTaskName[] = u"Veltar";
// The local Administrators group: the task runs for each member who logs on.
inline constexpr char16_t kAdministratorsGroupSid[] = u"S-1-5-32-544";

// The whole task definition as the scheduler takes it: a logon trigger, the
// Administrators group with the highest privileges in the user's own session,
// and the program, quoted, started from its own folder. Settings that keep a widget
// running: no time limit, on battery power, one instance, normal priority.
std::u16string LogonTaskXml(std::u16string_view program);

}  // namespace veltar
