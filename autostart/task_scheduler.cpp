#include "autostart/task_scheduler.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include "base/scoped_com.h"

namespace veltar {
namespace {

// A BSTR for one call's argument, freed after it.
class ScopedBstr {
public:
    explicit ScopedBstr(std::u16string_view text)
        : m_bstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
    ScopedBstr() = default;
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(m_bstr); }
    BSTR get() const { return m_bstr; }
    BSTR* Receive() { return &m_bstr; }

private:
    BSTR m_bstr = nullptr;
};

SchedulerFailure Failed(std::u16string_view step, HRESULT status) { return {std::u16string(step), status}; }

bool IsMissing(HRESULT status) {
    return status == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || status == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The scheduler's root folder, connected as the current user.
SchedulerFailure OpenRootFolder(ScopedCom<ITaskFolder>& folder) {
    ScopedCom<ITaskService> service;
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  service.ReceiveVoid());
    if (FAILED(hr)) return Failed(u"the Task Scheduler could not be started", hr);
    VARIANT none;
    VariantInit(&none);
    hr = service->Connect(none, none, none, none);
    if (FAILED(hr)) return Failed(u"the Task Scheduler could not be reached", hr);
    const ScopedBstr root(u"\\");
    hr = service->GetFolder(root.get(), folder.Receive());
    if (FAILED(hr)) return Failed(u"the Task Scheduler's root folder could not be opened", hr);
    return {};
}

std::u16string Text(const ScopedBstr& text) {
    return text.get() ? std::u16string(reinterpret_cast<const char16_t*>(text.get()), SysStringLen(text.get()))
                      : std::u16string();
}

// The program of the task's first action, without the quotes it is stored in,
// and its arguments.
void ReadFirstAction(IRegisteredTask* task, TaskState& state) {
    ScopedCom<ITaskDefinition> definition;
    ScopedCom<IActionCollection> actions;
    ScopedCom<IAction> action;
    ScopedCom<IExecAction> exec;
    ScopedBstr path;
    ScopedBstr arguments;
    if (FAILED(task->get_Definition(definition.Receive())) || FAILED(definition->get_Actions(actions.Receive())) ||
        FAILED(actions->get_Item(1, action.Receive())) ||
        FAILED(action->QueryInterface(IID_IExecAction, exec.ReceiveVoid())) || FAILED(exec->get_Path(path.Receive())))
        return;
    state.program = Text(path);
    if (state.program.size() >= 2 && state.program.front() == u'"' && state.program.back() == u'"')
        state.program = state.program.substr(1, state.program.size() - 2);
    if (SUCCEEDED(exec->get_Arguments(arguments.Receive()))) state.arguments = Text(arguments);
}

std::u16string TaskCalled(std::u16string_view name) { return u"the task \\" + std::u16string(name); }

}  // namespace

SchedulerFailure RegisterTask(std::u16string_view name, const std::u16string& xml, TaskAccount account) {
    ScopedCom<ITaskFolder> folder;
    if (auto failure = OpenRootFolder(folder); failure) return failure;
    const ScopedBstr taskName(name);
    const ScopedBstr definition(xml);
    VARIANT none;
    VariantInit(&none);
    ScopedCom<IRegisteredTask> registered;
    // The principal comes from the definition: no user or password here.
    const HRESULT hr = folder->RegisterTask(taskName.get(), definition.get(), TASK_CREATE_OR_UPDATE, none, none,
                                            account == TaskAccount::Group ? TASK_LOGON_GROUP
                                                                          : TASK_LOGON_SERVICE_ACCOUNT,
                                            none, registered.Receive());
    if (FAILED(hr)) return Failed(TaskCalled(name) + u" could not be registered", hr);
    return {};
}

SchedulerFailure DeleteTask(std::u16string_view name) {
    ScopedCom<ITaskFolder> folder;
    if (auto failure = OpenRootFolder(folder); failure) return failure;
    const ScopedBstr taskName(name);
    const HRESULT hr = folder->DeleteTask(taskName.get(), 0);
    if (FAILED(hr) && !IsMissing(hr)) return Failed(TaskCalled(name) + u" could not be removed", hr);
    return {};
}

SchedulerFailure QueryTask(std::u16string_view name, TaskState& state) {
    state = {};
    ScopedCom<ITaskFolder> folder;
    if (auto failure = OpenRootFolder(folder); failure) return failure;
    const ScopedBstr taskName(name);
    ScopedCom<IRegisteredTask> task;
    const HRESULT hr = folder->GetTask(taskName.get(), task.Receive());
    if (IsMissing(hr)) return {};
    if (FAILED(hr)) return Failed(TaskCalled(name) + u" could not be read", hr);
    state.registered = true;
    ReadFirstAction(task.get(), state);
    return {};
}

}  // namespace veltar
