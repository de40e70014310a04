// veltar-autostart: turns the elevated start at logon, and the exporter task
// that keeps a Prometheus file written, on and off, and says whether each is
// on. Exit 0 done, 1 failure (status: no task), 2 usage error.
#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "autostart/exporter_task.h"
#include "autostart/logon_task.h"
#include "autostart/task_scheduler.h"
#include "base/module_folder.h"
#include "base/standard_stream.h"
#include "base/windows_error.h"

namespace {

constexpr char16_t kUsage[] =
    u"Usage: veltar-autostart on|off|status\r\n"
    u"       veltar-autostart exporter on [--directory=DIR] [--interval=SECONDS]\r\n"
    u"       veltar-autostart exporter off|status\r\n"
    u"\r\n"
    u"Starts Veltar at logon, or stops doing so: one task, \\Veltar, in the Task\r\n"
    u"Scheduler, starts veltar.exe from this folder with the highest privileges\r\n"
    u"whenever a member of the Administrators group logs on.\r\n"
    u"\r\n"
    u"  on      registers the task, replacing one that is there\r\n"
    u"  off     removes the task (where there is none, there is nothing to do)\r\n"
    u"  status  says whether the task is there and what it starts\r\n"
    u"\r\n"
    u"The exporter: another task, \\Veltar exporter, runs veltar-report.exe from this\r\n"
    u"folder as the system account from each start of Windows on, whether or not\r\n"
    u"anyone logs on, restarted every minute if it fails. It replaces\r\n"
    u"DIR\\veltar.prom every SECONDS with the temperatures in Prometheus' format,\r\n"
    u"for windows_exporter's textfile collector.\r\n"
    u"\r\n"
    u"  --directory=DIR     the folder, made where missing (default:\r\n"
    u"                      C:\\Program Files\\windows_exporter\\textfile_inputs)\r\n"
    u"  --interval=SECONDS  1 to 3600 (default: 15)\r\n"
    u"\r\n"
    u"On and off need administrator rights.\r\n"
    u"Exit status: 0 done (status: the task is there), 1 failure (status: no task),\r\n"
    u"2 usage error.\r\n";

enum class Command { On, Off, Status };

// What the command line asks for.
struct Request {
    Command command = Command::Status;
    bool exporter = false;
    veltar::ExporterSettings settings;
};

void Say(const std::u16string& message) {
    veltar::WriteStandardStream(STD_ERROR_HANDLE, u"veltar-autostart: " + message + u"\r\n");
}

void Print(const std::u16string& message) { veltar::WriteStandardStream(STD_OUTPUT_HANDLE, message + u"\r\n"); }

// True, after saying what failed, when a call into the scheduler did.
bool Failed(const veltar::SchedulerFailure& failure) {
    if (!failure) return false;
    Say(failure.step + u": " + veltar::HresultText(failure.status));
    return true;
}

// True in a process with the Administrators group in force: elevated, where
// Windows splits an administrator's rights.
bool HasAdministratorRights() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

// A program beside this one, by its full path; empty after a message.
std::u16string ProgramBesideUs(const std::u16string& name) {
    const std::wstring folder = veltar::ModuleFolder(nullptr);
    if (folder.empty()) {
        Say(u"the folder of veltar-autostart.exe could not be found: " + veltar::Win32ErrorText(GetLastError()));
        return {};
    }
    const std::u16string program = std::u16string(folder.begin(), folder.end()) + name;
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(program.c_str()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Say(name + u" was not found beside veltar-autostart.exe (" + program + u"): " +
            veltar::Win32ErrorText(GetLastError()));
        return {};
    }
    return program;
}

int TurnOn() {
    const std::u16string program = ProgramBesideUs(u"veltar.exe");
    if (program.empty()) return 1;
    if (Failed(veltar::RegisterTask(veltar::kLogonTaskName, veltar::LogonTaskXml(program), veltar::TaskAccount::Group)))
        return 1;
    Print(u"Veltar starts at logon now: " + program);
    return 0;
}

// A task's name and what veltar-autostart says of it.
struct Task {
    const char16_t* name;
    std::u16string_view off;  // where it is not there
    std::u16string_view on;   // where it is, before what it starts
};
constexpr Task kLogon{veltar::kLogonTaskName, u"Veltar does not start at logon.",
                      u"Veltar starts at logon (task \\Veltar)"};
constexpr Task kExporter{veltar::kExporterTaskName, u"The exporter does not run.",
                         u"The exporter runs at start-up (task \\Veltar exporter)"};

int TurnOff(const Task& task) {
    if (Failed(veltar::DeleteTask(task.name))) return 1;
    Print(std::u16string(task.off));
    return 0;
}

int ShowStatus(const Task& task) {
    veltar::TaskState state;
    if (Failed(veltar::QueryTask(task.name, state))) return 1;
    if (!state.registered) {
        Print(std::u16string(task.off));
        return 1;
    }
    std::u16string said(task.on);
    if (state.program.empty()) said += u".";
    else said += u": " + state.program + (state.arguments.empty() ? u"" : u" " + state.arguments);
    Print(said);
    return 0;
}

// Makes the folder and those above it that are missing; false after a message.
bool MakeFolder(const std::u16string& folder) {
    for (std::size_t end = folder.find(u'\\', 3);; end = folder.find(u'\\', end + 1)) {
        const std::u16string part = folder.substr(0, end);
        const auto* path = reinterpret_cast<const wchar_t*>(part.c_str());
        if (!CreateDirectoryW(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            Say(u"the folder " + part + u" could not be made: " + veltar::Win32ErrorText(GetLastError()));
            return false;
        }
        if (end == std::u16string::npos) return true;
    }
}

int TurnExporterOn(const veltar::ExporterSettings& settings) {
    const std::u16string report = ProgramBesideUs(u"veltar-report.exe");
    if (report.empty() || !MakeFolder(settings.directory)) return 1;
    if (Failed(veltar::RegisterTask(veltar::kExporterTaskName, veltar::ExporterTaskXml(report, settings),
                                    veltar::TaskAccount::ServiceAccount)))
        return 1;
    Print(u"The exporter runs from the next start of Windows on (task \\Veltar exporter): " + report + u" " +
          veltar::ExporterArguments(settings));
    return 0;
}

// The request, or none after a message and the usage.
std::optional<Request> ParseRequest(int argc, wchar_t** argv) {
    std::vector<std::u16string_view> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    Request request;
    request.exporter = !arguments.empty() && arguments.front() == u"exporter";
    const std::size_t first = request.exporter ? 1 : 0;
    const auto refuse = [](const std::u16string& message) -> std::optional<Request> {
        if (!message.empty()) Say(message);
        veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        return std::nullopt;
    };
    if (arguments.size() <= first) return refuse(u"");
    const std::u16string_view command = arguments[first];
    if (command == u"on") request.command = Command::On;
    else if (command == u"off") request.command = Command::Off;
    else if (command != u"status") return refuse(u"unknown argument: " + std::u16string(command));
    const auto rest = std::span(arguments).subspan(first + 1);
    if (request.exporter && request.command == Command::On) {
        auto settings = veltar::ParseExporterSettings(rest);
        if (const auto* problem = std::get_if<std::u16string>(&settings)) return refuse(*problem);
        request.settings = std::get<veltar::ExporterSettings>(settings);
    } else if (!rest.empty()) {
        return refuse(request.exporter ? u"exporter off and exporter status take nothing more."
                                       : u"one command at a time: on, off or status.");
    }
    return request;
}

int Carry(const Request& request) {
    const Task& task = request.exporter ? kExporter : kLogon;
    switch (request.command) {
        case Command::On: return request.exporter ? TurnExporterOn(request.settings) : TurnOn();
        case Command::Off: return TurnOff(task);
        case Command::Status: break;
    }
    return ShowStatus(task);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"--help") == 0)
        return veltar::WriteStandardStream(STD_OUTPUT_HANDLE, kUsage) ? 0 : 1;
    const std::optional<Request> request = ParseRequest(argc, argv);
    if (!request) return 2;
    if (request->command != Command::Status && !HasAdministratorRights()) {
        Say(request->exporter ? u"administrator rights are needed to turn the exporter on or off: run "
                                u"veltar-autostart from a command prompt started as administrator. Nothing was changed."
                              : u"administrator rights are needed to turn the start at logon on or off: run "
                                u"veltar-autostart from a command prompt started as administrator. Nothing was changed.");
        return 1;
    }

    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(initialized)) {
        Say(u"COM could not be initialised: " + veltar::HresultText(initialized));
        return 1;
    }
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
    const int status = Carry(*request);
    CoUninitialize();
    return status;
}
