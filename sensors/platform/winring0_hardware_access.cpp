#include "sensors/platform/winring0_hardware_access.h"

#include <algorithm>
#include <climits>

#include "base/module_function.h"
#include "sensors/platform/winring0.h"

namespace veltar {

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
    static const auto native = ModuleFunction<NativeSystemInfo>(L"KERNEL32.DLL", "GetNativeSystemInfo");
    SYSTEM_INFO info{};
    if (native) native(&info);
    else GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

// Windows 7 and later put the logical processors in groups of at most 64.
std::vector<std::uint32_t> WinRing0HardwareAccess::ProcessorGroups() {
    using GroupCount = WORD(WINAPI*)();
    using ProcessorsIn = DWORD(WINAPI*)(WORD);
    static const auto groupCount = ModuleFunction<GroupCount>(L"KERNEL32.DLL", "GetActiveProcessorGroupCount");
    static const auto processorsIn = ModuleFunction<ProcessorsIn>(L"KERNEL32.DLL", "GetActiveProcessorCount");
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
    static const auto setGroupAffinity = ModuleFunction<SetGroupAffinity>(L"KERNEL32.DLL", "SetThreadGroupAffinity");
    if (!setGroupAffinity) return false;
    GROUP_AFFINITY wanted{};
    wanted.Mask = affinity.mask;
    wanted.Group = affinity.group;
    GROUP_AFFINITY before{};
    if (!setGroupAffinity(GetCurrentThread(), &wanted, &before)) return false;
    *previous = {before.Group, before.Mask};
    return true;
}

// Our own library's export, looked up by name in the WinRing0.dll the process
// loaded, once: other builds of the library have none.
std::optional<double> WinRing0HardwareAccess::BoardTemperature() {
    static const auto read = ModuleFunction<BoardTemperatureFunction>(L"WinRing0.dll", kBoardTemperatureExport);
    LONG milliCelsius = 0;
    if (!read || !read(&milliCelsius)) return std::nullopt;
    return milliCelsius / 1000.0;
}

// Our own library's export too; a limit it marks as not declared is none.
std::vector<MemoryTemperature> WinRing0HardwareAccess::MemoryTemperatures() {
    static const auto read = ModuleFunction<MemoryTemperaturesFunction>(L"WinRing0.dll", kMemoryTemperaturesExport);
    if (!read) return {};
    VELTAR_MEMORY_SENSOR sensors[8]{};
    const DWORD count = std::min<DWORD>(read(sensors, 8), 8);
    const auto limit = [](LONG milli) { return milli == LONG_MIN ? std::nullopt : DeclaredLimit(milli / 1000.0); };
    std::vector<MemoryTemperature> temperatures;
    for (DWORD i = 0; i < count; ++i)
        temperatures.push_back({sensors[i].milliCelsius / 1000.0,
                                {limit(sensors[i].warningMilliCelsius), limit(sensors[i].criticalMilliCelsius)}});
    return temperatures;
}

}  // namespace veltar
