// A function of a system library that older systems may lack, looked up by name.
#pragma once

#include <windows.h>

namespace veltar {

// The function in the module the process has loaded, or null when either is missing.
template <typename Function>
Function ModuleFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <typename Function>
Function ModuleFunction(const wchar_t* module, const char* name) {
    return ModuleFunction<Function>(GetModuleHandleW(module), name);
}

}  // namespace veltar
