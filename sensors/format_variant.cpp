#include "sensors/format_variant.h"

#include <cstdint>
#include <cstring>

#include "sensors/text_format.h"

namespace veltar {
namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

struct Bounds {
    LONG lower = 0;
    LONG upper = 0;
    bool read = true;
};

// Bounds that cannot be read count as 0.
Bounds ReadBounds(SAFEARRAY* array) {
    Bounds b;
    if (FAILED(SafeArrayGetLBound(array, 1, &b.lower))) {
        b.lower = 0;
        b.read = false;
    }
    if (FAILED(SafeArrayGetUBound(array, 1, &b.upper))) {
        b.upper = 0;
        b.read = false;
    }
    return b;
}

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
    AppendFormatted(out, u"%s", BstrView(element));
    SysFreeString(element);
}

void AppendByteElement(std::u16string& out, SAFEARRAY* array, LONG index) {
    BYTE element = 0;
    if (FAILED(SafeArrayGetElement(array, &index, &element))) return;
    AppendFormatted(out, u"0x%02X", element);
}

// "[e1,e2,...]", an element that cannot be read leaving its slot empty.
template <typename AppendElement>
void FormatArray(std::u16string& out, SAFEARRAY* array, bool readable, AppendElement appendElement) {
    const Bounds b = ReadBounds(array);
    out += u'[';
    for (std::int64_t i = b.lower; i <= b.upper; ++i) {
        if (i != b.lower) out += u',';
        if (readable) appendElement(out, array, static_cast<LONG>(i));
    }
    out += u']';
}

// The same text as FormatArray for bytes, written straight from the array's memory.
bool FormatByteArrayFast(std::u16string& out, SAFEARRAY* array) {
    const Bounds b = ReadBounds(array);
    if (!b.read || !HoldsBytes(array)) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return false;
    const std::int64_t count = static_cast<std::int64_t>(b.upper) - b.lower + 1;
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
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

void FormatDecimal(std::u16string& out, const DECIMAL& d) {
    const double sign = d.sign == DECIMAL_NEG ? -1.0 : 1.0;
    double scale = 1.0;
    for (int i = 0; i < d.scale; ++i) scale *= 10.0;
    const double value = sign * static_cast<double>(d.Lo64) / scale;
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
            FormatArray(out, value.parray, HoldsStrings(value.parray), AppendStringElement);
            break;
        case VT_LPSTR:
            FormatNarrowString(out, value.pcVal);
            break;
        case kByteArray:
            if (!FormatByteArrayFast(out, value.parray))
                FormatArray(out, value.parray, HoldsBytes(value.parray), AppendByteElement);
            break;
        default:
            break;
    }
}

}  // namespace veltar
