#include "sensors/format_variant.h"

#include <cstdint>
#include <cstring>

#include "base/text_format.h"
#include "sensors/array_bounds.h"

namespace veltar {
namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// An element read into a buffer of the wrong size would corrupt memory, so an
// array whose elements are not what its type code claims counts as unreadable.
bool HoldsStrings(SAFEARRAY* array) {
    VARTYPE vt = VT_EMPTY;
    return array && SUCCEEDED(SafeArrayGetVartype(array, &vt)) && vt == VT_BSTR;
}

bool HoldsBytes(SAFEARRAY* array) { return array && SafeArrayGetElemsize(array) == 1; }

void AppendStringElement(std::u16string& out, SAFEARRAY* array, LONG index) {
    BSTR element = nullptr;
    if (FAILED(SafeArrayGetElement(array, &index, &element))) return;
    // As "%s" writes it: up to the first NUL.
    AppendFormatted(out, u"%s", element ? std::u16string_view(AsText(element)) : std::u16string_view());
    SysFreeString(element);
}

using AppendElement = void (*)(std::u16string& out, SAFEARRAY* array, LONG index);

// "[e1,e2,...]", an element that cannot be read leaving its slot empty; with no
// element reader, every slot stays empty.
void FormatArray(std::u16string& out, SAFEARRAY* array, AppendElement appendElement) {
    const ArrayIndices indices = ReadArrayIndices(array);
    out += u'[';
    for (std::uint32_t k = 0; k < indices.count; ++k) {
        if (k != 0) out += u',';
        if (appendElement) appendElement(out, array, indices.At(k));
    }
    out += u']';
}

// "[0x0A,0x1F,...]" written straight from the array's memory; false when the
// array's bounds or data cannot be reached, or its elements are not bytes.
bool FormatByteArray(std::u16string& out, SAFEARRAY* array) {
    const ArrayIndices indices = ReadArrayIndices(array);
    if (!indices.boundsRead || !HoldsBytes(array)) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return false;
    const std::size_t n = indices.count;
    out.resize(n ? 5 * n + 1 : 2);
    char16_t* p = out.data();
    *p++ = u'[';
    const auto* bytes = static_cast<const BYTE*>(data);
    for (std::size_t i = 0; i < n; ++i) {
        if (i != 0) *p++ = u',';
        *p++ = u'0';
        *p++ = u'x';
        *p++ = kHexDigits[bytes[i] >> 4];
        *p++ = kHexDigits[bytes[i] & 0xF];
    }
    *p = u']';
    SafeArrayUnaccessData(array);
    return true;
}

void FormatDate(std::u16string& out, DATE date) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) st = SYSTEMTIME{};
    ReplaceFormatted(out, u"%04d-%02d-%02d %02d:%02d:%02d.%d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                     st.wSecond, st.wMilliseconds);
}

// 10 to the power of every scale a decimal can carry, each the double nearest to
// the exact power, as the compiler reads the literal: repeated multiplication
// rounds differently from 10^23 on, and differently on x87 and SSE.
constexpr double kPowersOfTen[256] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19,
    1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38,
    1e39, 1e40, 1e41, 1e42, 1e43, 1e44, 1e45, 1e46, 1e47, 1e48, 1e49, 1e50, 1e51, 1e52, 1e53, 1e54, 1e55, 1e56, 1e57,
    1e58, 1e59, 1e60, 1e61, 1e62, 1e63, 1e64, 1e65, 1e66, 1e67, 1e68, 1e69, 1e70, 1e71, 1e72, 1e73, 1e74, 1e75, 1e76,
    1e77, 1e78, 1e79, 1e80, 1e81, 1e82, 1e83, 1e84, 1e85, 1e86, 1e87, 1e88, 1e89, 1e90, 1e91, 1e92, 1e93, 1e94, 1e95,
    1e96, 1e97, 1e98, 1e99, 1e100, 1e101, 1e102, 1e103, 1e104, 1e105, 1e106, 1e107, 1e108, 1e109, 1e110, 1e111,
    1e112, 1e113, 1e114, 1e115, 1e116, 1e117, 1e118, 1e119, 1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127,
    1e128, 1e129, 1e130, 1e131, 1e132, 1e133, 1e134, 1e135, 1e136, 1e137, 1e138, 1e139, 1e140, 1e141, 1e142, 1e143,
    1e144, 1e145, 1e146, 1e147, 1e148, 1e149, 1e150, 1e151, 1e152, 1e153, 1e154, 1e155, 1e156, 1e157, 1e158, 1e159,
    1e160, 1e161, 1e162, 1e163, 1e164, 1e165, 1e166, 1e167, 1e168, 1e169, 1e170, 1e171, 1e172, 1e173, 1e174, 1e175,
    1e176, 1e177, 1e178, 1e179, 1e180, 1e181, 1e182, 1e183, 1e184, 1e185, 1e186, 1e187, 1e188, 1e189, 1e190, 1e191,
    1e192, 1e193, 1e194, 1e195, 1e196, 1e197, 1e198, 1e199, 1e200, 1e201, 1e202, 1e203, 1e204, 1e205, 1e206, 1e207,
    1e208, 1e209, 1e210, 1e211, 1e212, 1e213, 1e214, 1e215, 1e216, 1e217, 1e218, 1e219, 1e220, 1e221, 1e222, 1e223,
    1e224, 1e225, 1e226, 1e227, 1e228, 1e229, 1e230, 1e231, 1e232, 1e233, 1e234, 1e235, 1e236, 1e237, 1e238, 1e239,
    1e240, 1e241, 1e242, 1e243, 1e244, 1e245, 1e246, 1e247, 1e248, 1e249, 1e250, 1e251, 1e252, 1e253, 1e254, 1e255};

void FormatDecimal(std::u16string& out, const DECIMAL& d) {
    const double sign = d.sign == DECIMAL_NEG ? -1.0 : 1.0;
    const double value = sign * static_cast<double>(d.Lo64) / kPowersOfTen[d.scale];
    std::u16string format;
    ReplaceFormatted(format, u"%%.%df", d.scale);
    ReplaceFormatted(out, format, value);
}

// Currency: the exact count of ten-thousandths, written with four decimals.
void FormatCurrency(std::u16string& out, LONGLONG tenThousandths) {
    const bool negative = tenThousandths < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(tenThousandths) : static_cast<std::uint64_t>(tenThousandths);
    ReplaceFormatted(out, u"%s%llu.%04llu", negative ? u"-" : u"", magnitude / 10000, magnitude % 10000);
}

void FormatNarrowString(std::u16string& out, const char* text) {
    out.clear();
    if (!text || !*text) return;
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return;
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, reinterpret_cast<OLECHAR*>(wide.data()), length) !=
        length)
        return;
    wide.pop_back();  // the terminator
    out = std::move(wide);
}

}  // namespace

void FormatVariant(std::u16string& out, const VARIANT& value) {
    out.clear();
    switch (value.vt) {
        case VT_I2:
            ReplaceFormatted(out, u"%d", value.iVal);
            break;
        case VT_I4:
        case VT_ERROR:
        case VT_INT:
            ReplaceFormatted(out, u"%ld", value.lVal);
            break;
        case VT_R4:
            ReplaceFormatted(out, u"%10.6f", static_cast<double>(value.fltVal));
            break;
        case VT_R8:
            ReplaceFormatted(out, u"%10.6f", value.dblVal);
            break;
        case VT_CY:
            FormatCurrency(out, value.cyVal.int64);
            break;
        case VT_DATE:
            FormatDate(out, value.date);
            break;
        case VT_BSTR:
        case VT_LPWSTR:
            out.assign(value.bstrVal ? std::u16string_view(AsText(value.bstrVal)) : std::u16string_view());
            break;
        case VT_DISPATCH:
        case VT_VARIANT:
            ReplaceFormatted(out, u"0x%lX", value.ulVal);
            break;
        case VT_BOOL:
            ReplaceFormatted(out, u"%d", value.boolVal);
            break;
        case VT_UNKNOWN:
            ReplaceFormatted(out, u"Unknow Ptr:0x%lX", value.ulVal);
            break;
        case VT_DECIMAL:
            FormatDecimal(out, value.decVal);
            break;
        case VT_I1:
        case VT_UI1: {
            const int byte = static_cast<signed char>(value.bVal);
            ReplaceFormatted(out, u"%C(0x%02X)", byte, byte);
            break;
        }
        case VT_UI2:
            ReplaceFormatted(out, u"%u", value.uiVal);
            break;
        case VT_UI4:
            ReplaceFormatted(out, u"%u", value.ulVal);
            break;
        case VT_I8:
            ReplaceFormatted(out, u"%lld", value.llVal);
            break;
        case VT_UI8:
            ReplaceFormatted(out, u"%llu", value.ullVal);
            break;
        case VT_UINT:
            ReplaceFormatted(out, u"%lu", value.uintVal);
            break;
        case VT_SAFEARRAY:
            FormatArray(out, value.parray, HoldsStrings(value.parray) ? AppendStringElement : nullptr);
            break;
        case VT_LPSTR:
            FormatNarrowString(out, value.pcVal);
            break;
        case kByteArray:
            // Where the bytes cannot be reached, no element can be read either.
            if (!FormatByteArray(out, value.parray)) FormatArray(out, value.parray, nullptr);
            break;
        default:
            break;
    }
}

}  // namespace veltar
