// The system's own text for a Windows error, for messages that name what failed.
#pragma once

#include <windows.h>

#include <string>

namespace veltar {

// "Access is denied. (error 5)": the system's message, without its line end,
// then the number; the number alone where the system has no text for it.
std::u16string Win32ErrorText(DWORD error);

// The same for a COM status: "Access is denied. (0x80070005)".
std::u16string HresultText(HRESULT status);

}  // namespace veltar
