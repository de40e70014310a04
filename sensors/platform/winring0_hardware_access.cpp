#include "sensors/platform/winring0_hardware_access.h"

#include "sensors/platform/winring0.h"

namespace veltar {
namespace {

// A kernel32 function that older systems lack, or null.
template <typename Function>
Function Kernel32Function(const char* name) {
    const HMODULE kernel32 = GetModuleHandleW(L"KERNEL32.DLL");
    return kernel32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name))) : nullptr;
}

}  // namespace

bool WinRing0HardwareAccess::ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) {
    DWORD eax = 0;
    DWORD edx = 0;
    const BOOL ok = Rdmsr(index, &eax, &edx);
    *low = eax;
    *high = edx;
    return ok != FALSE;
}

std::uint32_t WinRing0HardwareAccess::ProcessorCount() {
    // GetNativeSystemInfo, where the system has it, counts the processors as a
    // 32-bit process on a 64-bit system sees them too.
    using NativeSystemInfo = void(WINAPI*)(LPSYSTEM_INFO);
    SYSTEM_INFO info{};
    if (const auto native = Kernel32Function<NativeSystemInfo>("GetNativeSystemInfo")) native(&info);
    else GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

// Windows 7 and later put the logical processors in groups of at most 64.
std::vector<std::uint32_t> WinRing0HardwareAccess::ProcessorGroups() {
    using GroupCount = WORD(WINAPI*)();
    using ProcessorsIn = DWORD(WINAPI*)(WORD);
    const auto groupCount = Kernel32Function<GroupCount>("GetActiveProcessorGroupCount");
    const auto processorsIn = Kernel32Function<ProcessorsIn>("GetActiveProcessorCount");
    if (!groupCount || !processorsIn) return {};
    std::vector<std::uint32_t> groups(groupCount());
    for (WORD group = 0; group < groups.size(); ++group) groups[group] = processorsIn(group);
    return groups;
}

std::uintptr_t WinRing0HardwareAccess::SetThreadAffinity(std::uintptr_t mask) {
    return SetThreadAffinityMask(GetCurrentThread(), mask);
}

bool WinRing0HardwareAccess::SetThreadGroupAffinity(const GroupAffinity& affinity, GroupAffinity* previous) {
    using SetGroupAffinity = BOOL(WINAPI*)(HANDLE, const GROUP_AFFINITY*, PGROUP_AFFINITY);
    static const auto setGroupAffinity = Kernel32Function<SetGroupAffinity>("SetThreadGroupAffinity");
    if (!setGroupAffinity) return false;
    GROUP_AFFINITY wanted{};
    wanted.Mask = affinity.mask;
    wanted.Group = affinity.group;
    GROUP_AFFINITY before{};
    if (!setGroupAffinity(GetCurrentThread(), &wanted, &before)) return false;
    *previous = {before.Group, before.Mask};
    return true;
}

}  // namespace veltar
