#include "autostart/logon_task.h"

#include "autostart/task_definition.h"

namespace veltar {

std::u16string LogonTaskXml(std::u16string_view program) {
    const std::u16string group = std::u16string(u"<GroupId>") + kAdministratorsGroupSid + u"</GroupId>";
    return TaskXml({u"Starts Veltar when an administrator logs on.", u"LogonTrigger", group,
                    u"    <Priority>5</Priority>\r\n", program, u""});
}

}  // namespace veltar
