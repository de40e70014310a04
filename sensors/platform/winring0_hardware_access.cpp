#include "sensors/platform/winring0_hardware_access.h"

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
    SYSTEM_INFO info{};
    const HMODULE kernel32 = GetModuleHandleW(L"KERNEL32.DLL");
    const FARPROC lookup = kernel32 ? GetProcAddress(kernel32, "GetNativeSystemInfo") : nullptr;
    if (lookup) reinterpret_cast<NativeSystemInfo>(reinterpret_cast<void*>(lookup))(&info);
    else GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

std::uintptr_t WinRing0HardwareAccess::SetThreadAffinity(std::uintptr_t mask) {
    return SetThreadAffinityMask(GetCurrentThread(), mask);
}

}  // namespace veltar
