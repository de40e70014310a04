// The logon task's definition as the scheduler is handed it: who it runs for,
// how, what it starts, and the settings that keep a widget running.
#include <gtest/gtest.h>

#include <string>

#include "autostart/logon_task.h"

namespace veltar {
namespace {

TEST(LogonTask, DefinitionHoldsTriggerPrincipalSettingsAndTheEscapedProgram) {
    const std::u16string xml = LogonTaskXml(u"C:\\Program Files\\R&D <'x'>\\veltar.exe");
    for (const std::u16string fragment : {
             u"<Triggers>\r\n    <LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n    </LogonTrigger>\r\n  </Triggers>",
             u"<Principal id=\"Author\">\r\n      <GroupId>S-1-5-32-544</GroupId>\r\n"
             u"      <RunLevel>HighestAvailable</RunLevel>\r\n    </Principal>",
             u"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
             u"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
             u"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
             u"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
             u"<Priority>5</Priority>",
             u"<Actions Context=\"Author\">\r\n    <Exec>\r\n"
             u"      <Command>&quot;C:\\Program Files\\R&amp;D &lt;&apos;x&apos;&gt;\\veltar.exe&quot;</Command>\r\n"
             u"      <WorkingDirectory>C:\\Program Files\\R&amp;D &lt;&apos;x&apos;&gt;</WorkingDirectory>\r\n"
             u"    </Exec>\r\n  </Actions>"})
        EXPECT_NE(xml.find(fragment), std::u16string::npos) << std::string(fragment.begin(), fragment.end());
}

}  // namespace
}  // namespace veltar
