// The tagged value record (VARIANT) with its arrays, strings and conversions.
// On Windows these are the platform's own; elsewhere a compat layer stands in.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#else
#include "sensors/platform/value_record_compat.h"
#endif

#include <string_view>

namespace veltar {

// Windows' wchar_t is 16 bits wide, so the platform's wide strings and
// char16_t text share one representation.
inline const char16_t* AsText(const OLECHAR* s) { return reinterpret_cast<const char16_t*>(s); }
inline const OLECHAR* AsOle(const char16_t* s) { return reinterpret_cast<const OLECHAR*>(s); }

// A BSTR as a view; a null string reads as empty.
inline std::u16string_view BstrView(BSTR s) {
    return s ? std::u16string_view(AsText(s), SysStringLen(s)) : std::u16string_view();
}

// A new BSTR holding the text; the caller frees it with SysFreeString.
inline BSTR AllocBstr(std::u16string_view text) {
    return SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size()));
}

}  // namespace veltar
