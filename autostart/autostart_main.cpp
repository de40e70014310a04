// veltar-autostart: turns the elevated start at logon on and off, and says
// whether it is on. Exit 0 done, 1 failure (status: no task), 2 usage error.
#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <string>

#include "autostart/logon_task.h"
#include "autostart/task_scheduler.h"
#include "base/module_folder.h"
#include "base/standard_stream.h"
#include "base/windows_error.h"

namespace {

constexpr char16_t kUsage[] =
    u"Usage: veltar-autostart on|off|status\r\n"
    u"\r\n"
    u"Starts Veltar at logon, or stops doing so: one task, \\Veltar, in the Task\r\n"
    u"Scheduler, starts veltar.exe from this folder with the highest privileges\r\n"
    u"whenever a member of the Administrators group logs on.\r\n"
    u"\r\n"
    u"  on      registers the task, replacing one that is there\r\n"
    u"  off     removes the task (where there is none, there is nothing to do)\r\n"
    u"  status  says whether the task is there and what it starts\r\n"
    u"\r\n"
    u"On and off need administrator rights.\r\n"
    u"Exit status: 0 done (status: the task is there), 1 failure (status: no task),\r\n"
    u"2 usage error.\r\n";

enum class Command { On, Off, Status };

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

// veltar.exe beside this program, by its full path; empty after a message.
std::u16string ProgramBesideUs() {
    const std::wstring folder = veltar::ModuleFolder(nullptr);
    if (folder.empty()) {
        Say(u"the folder of veltar-autostart.exe could not be found: " + veltar::Win32ErrorText(GetLastError()));
        return {};
    }
    const std::u16string program = std::u16string(folder.begin(), folder.end()) + u"veltar.exe";
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(program.c_str()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Say(u"veltar.exe was not found beside veltar-autostart.exe (" + program + u"): " +
            veltar::Win32ErrorText(GetLastError()));
        return {};
    }
    return program;
}

int TurnOn() {
    const std::u16string program = ProgramBesideUs();
    if (program.empty()) return 1;
    if (Failed(veltar::RegisterLogonTask(veltar::LogonTaskXml(program)))) return 1;
    Print(u"Veltar starts at logon now: " + program);
    return 0;
}

int TurnOff() {
    if (Failed(veltar::DeleteLogonTask())) return 1;
    Print(u"Veltar does not start at logon.");
    return 0;
}

int ShowStatus() {
    veltar::LogonTaskState state;
    if (Failed(veltar::QueryLogonTask(state))) return 1;
    if (!state.registered) {
        Print(u"Veltar does not start at logon.");
        return 1;
    }
    Print(state.program.empty() ? u"Veltar starts at logon (task \\Veltar)."
                                : u"Veltar starts at logon (task \\Veltar): " + state.program);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"--help") == 0)
        return veltar::WriteStandardStream(STD_OUTPUT_HANDLE, kUsage) ? 0 : 1;
    if (argc != 2) {
        if (argc > 2) Say(u"one command at a time: on, off or status.");
        veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        return 2;
    }
    Command command = Command::Status;
    if (std::wcscmp(argv[1], L"on") == 0) {
        command = Command::On;
    } else if (std::wcscmp(argv[1], L"off") == 0) {
        command = Command::Off;
    } else if (std::wcscmp(argv[1], L"status") != 0) {
        Say(u"unknown argument: " + std::u16string(reinterpret_cast<const char16_t*>(argv[1])));
        veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        return 2;
    }
    if (command != Command::Status && !HasAdministratorRights()) {
        Say(u"administrator rights are needed to turn the start at logon on or off: run veltar-autostart from a "
            u"command prompt started as administrator. Nothing was changed.");
        return 1;
    }

    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(initialized)) {
        Say(u"COM could not be initialised: " + veltar::HresultText(initialized));
        return 1;
    }
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, EOAC_NONE, nullptr);
    const int status = command == Command::On ? TurnOn() : command == Command::Off ? TurnOff() : ShowStatus();
    CoUninitialize();
    return status;
}
