// The logon and exporter tasks' definitions as the scheduler is handed them:
// who they run for, how, what they start, and the settings that keep them running.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "autostart/exporter_task.h"
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

namespace veltar {
namespace {

TEST(ExporterTask, DefinitionRunsTheReportAsTheSystemFromStartUpAndRestartsIt) {
    const std::u16string xml = ExporterTaskXml(u"C:\\Program Files\\Veltar\\veltar-report.exe",
                                               {u"D:\\Text & files\\prom", 30});
    for (const std::u16string fragment : {
             u"<Triggers>\r\n    <BootTrigger>\r\n      <Enabled>true</Enabled>\r\n    </BootTrigger>\r\n  </Triggers>",
             u"<Principal id=\"Author\">\r\n      <UserId>S-1-5-18</UserId>\r\n"
             u"      <RunLevel>HighestAvailable</RunLevel>\r\n    </Principal>",
             u"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
             u"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
             u"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
             u"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
             u"<RestartOnFailure>\r\n      <Interval>PT1M</Interval>\r\n      <Count>255</Count>\r\n    </RestartOnFailure>",
             u"      <Command>&quot;C:\\Program Files\\Veltar\\veltar-report.exe&quot;</Command>\r\n"
             u"      <Arguments>--format=prometheus --interval=30 "
             u"--output=&quot;D:\\Text &amp; files\\prom\\veltar.prom&quot;</Arguments>\r\n"
             u"      <WorkingDirectory>C:\\Program Files\\Veltar</WorkingDirectory>\r\n"})
        EXPECT_NE(xml.find(fragment), std::u16string::npos) << std::string(fragment.begin(), fragment.end());
}

TEST(ExporterTask, SettingsTakeAFolderAndWholeSecondsFromOneToAnHour) {
    using A = std::vector<std::u16string_view>;
    const struct {
        A arguments;
        std::variant<ExporterSettings, std::u16string> result;
    } cases[] = {
        {A{}, ExporterSettings{u"C:\\Program Files\\windows_exporter\\textfile_inputs", 15}},
        {A{u"--interval=3600", u"--directory=C:\\"}, ExporterSettings{u"C:\\", 3600}},
        {A{u"--directory=D:\\prom\\\\"}, ExporterSettings{u"D:\\prom", 15}},
        {A{u"--directory=D:\\prom files\\ "}, ExporterSettings{u"D:\\prom files", 15}},
        {A{u"--interval=0"}, u"--interval takes whole seconds, 1 to 3600: --interval=0"},
        {A{u"--interval=3601"}, u"--interval takes whole seconds, 1 to 3600: --interval=3601"},
        {A{u"--interval=1.5"}, u"--interval takes whole seconds, 1 to 3600: --interval=1.5"},
        {A{u"--interval="}, u"--interval takes whole seconds, 1 to 3600: --interval="},
        {A{u"--interval=5", u"--interval=6"}, u"--interval is given more than once"},
        {A{u"--directory="}, u"--directory takes a folder: --directory="},
        {A{u"--count=3"}, u"unknown argument: --count=3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseExporterSettings(c.arguments), c.result);
}

}  // namespace
}  // namespace veltar
