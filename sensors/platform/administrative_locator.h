#pragma once

#include <windows.h>

namespace veltar {

// The management service's administrative locator class, {CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}.
inline constexpr CLSID kAdministrativeLocator = {
    0xCB8555CC, 0x9128, 0x11D1, {0xAD, 0x9B, 0x00, 0xC0, 0x4F, 0xD8, 0xFD, 0xFF}};

}  // namespace veltar
