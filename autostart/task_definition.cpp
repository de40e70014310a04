#include "autostart/task_definition.h"

namespace veltar {
namespace {

std::u16string XmlEscaped(std::u16string_view text) {
    std::u16string escaped;
    for (const char16_t c : text) {
        switch (c) {
            case u'&': escaped += u"&amp;"; break;
            case u'<': escaped += u"&lt;"; break;
            case u'>': escaped += u"&gt;"; break;
            case u'"': escaped += u"&quot;"; break;
            case u'\'': escaped += u"&apos;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::u16string_view FolderOf(std::u16string_view path) {
    const auto slash = path.find_last_of(u"\\/");
    return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash);
}

std::u16string TaskXml(const TaskDefinition& task) {
    std::u16string xml =
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        u"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        u"  <RegistrationInfo>\r\n"
        u"    <Author>Veltar</Author>\r\n"
        u"    <Description>";
    xml += XmlEscaped(task.description);
    xml += u"</Description>\r\n"
           u"  </RegistrationInfo>\r\n"
           u"  <Triggers>\r\n"
           u"    <";
    xml += task.trigger;
    xml += u">\r\n"
           u"      <Enabled>true</Enabled>\r\n"
           u"    </";
    xml += task.trigger;
    xml += u">\r\n"
           u"  </Triggers>\r\n"
           u"  <Principals>\r\n"
           u"    <Principal id=\"Author\">\r\n"
           u"      ";
    xml += task.principal;
    xml += u"\r\n"
           u"      <RunLevel>HighestAvailable</RunLevel>\r\n"
           u"    </Principal>\r\n"
           u"  </Principals>\r\n"
           u"  <Settings>\r\n"
           u"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           u"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           u"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           u"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n";
    xml += task.settings;
    xml += u"    <Enabled>true</Enabled>\r\n"
           u"  </Settings>\r\n"
           u"  <Actions Context=\"Author\">\r\n"
           u"    <Exec>\r\n"
           u"      <Command>&quot;";
    xml += XmlEscaped(task.program);
    xml += u"&quot;</Command>\r\n";
    if (!task.arguments.empty()) {
        xml += u"      <Arguments>";
        xml += XmlEscaped(task.arguments);
        xml += u"</Arguments>\r\n";
    }
    xml += u"      <WorkingDirectory>";
    xml += XmlEscaped(FolderOf(task.program));
    xml += u"</WorkingDirectory>\r\n"
           u"    </Exec>\r\n"
           u"  </Actions>\r\n"
           u"</Task>\r\n";
    return xml;
}

}  // namespace veltar
