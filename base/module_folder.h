// The folder a module was loaded from: the program's own (null) or a library's.
#pragma once

#include <windows.h>

#include <string>

namespace veltar {

// With its trailing backslash; empty when the system cannot say (GetLastError tells why).
inline std::wstring ModuleFolder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace veltar
