#include "sensors/platform/value_record_compat.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// A BSTR is preceded by its length in bytes and followed by a NUL.
struct BstrHeader {
    std::uint32_t bytes;
};

std::size_t TextLength(const OLECHAR* s) {
    std::size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: return 1;
        case VT_I2: case VT_UI2: case VT_BOOL: return 2;
        case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
        case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
        case VT_BSTR: return sizeof(BSTR);
        case VT_VARIANT: return sizeof(VARIANT);
        default: return 0;
    }
}

bool IndexInRange(const SAFEARRAY* psa, LONG index, std::size_t* offset) {
    const LONG lower = psa->rgsabound[0].lLbound;
    const std::int64_t relative = static_cast<std::int64_t>(index) - lower;
    if (relative < 0 || relative >= static_cast<std::int64_t>(psa->rgsabound[0].cElements)) return false;
    *offset = static_cast<std::size_t>(relative) * psa->cbElements;
    return true;
}

constexpr double kFirstDate = -657434.0;  // 100-01-01
constexpr double kPastLastDate = 2958466.0;  // 10000-01-01
constexpr std::int64_t kUnixDaysAtDateZero = -25569;  // 1899-12-30

// Days since 1970-01-01 for a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Windows-1252 bytes 0x80 to 0x9F; the five it leaves undefined map to the C1 controls.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

BSTR SysAllocString(const OLECHAR* s) {
    return s ? SysAllocStringLen(s, static_cast<UINT>(TextLength(s))) : nullptr;
}

BSTR SysAllocStringLen(const OLECHAR* s, UINT length) {
    void* block = std::malloc(sizeof(BstrHeader) + (static_cast<std::size_t>(length) + 1) * sizeof(OLECHAR));
    if (!block) return nullptr;
    static_cast<BstrHeader*>(block)->bytes = length * sizeof(OLECHAR);
    BSTR text = reinterpret_cast<BSTR>(static_cast<BstrHeader*>(block) + 1);
    if (s) std::memcpy(text, s, length * sizeof(OLECHAR));
    else std::memset(text, 0, length * sizeof(OLECHAR));
    text[length] = 0;
    return text;
}

void SysFreeString(BSTR s) {
    if (s) std::free(reinterpret_cast<BstrHeader*>(s) - 1);
}

UINT SysStringLen(BSTR s) {
    return s ? (reinterpret_cast<BstrHeader*>(s) - 1)->bytes / sizeof(OLECHAR) : 0;
}

void VariantInit(VARIANT* v) {
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
    if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
    else if (v->vt & VT_ARRAY) SafeArrayDestroy(v->parray);
    std::memset(v, 0, sizeof *v);
    v->vt = VT_EMPTY;
    return S_OK;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG count) {
    const ULONG size = ElementSize(vt);
    if (size == 0) return nullptr;
    auto* psa = new (std::nothrow) SAFEARRAY{};
    if (!psa) return nullptr;
    psa->cDims = 1;
    psa->cbElements = size;
    psa->rgsabound[0] = {count, lowerBound};
    psa->vt = vt;
    psa->pvData = std::calloc(count ? count : 1, size);
    if (!psa->pvData) {
        delete psa;
        return nullptr;
    }
    return psa;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    auto* bytes = static_cast<unsigned char*>(psa->pvData);
    const bool ownsElements = psa->vt == VT_BSTR || psa->vt == VT_VARIANT;
    for (ULONG i = 0; ownsElements && i < psa->rgsabound[0].cElements; ++i) {
        void* element = bytes + static_cast<std::size_t>(i) * psa->cbElements;
        if (psa->vt == VT_BSTR) SysFreeString(*static_cast<BSTR*>(element));
        else if (psa->vt == VT_VARIANT) VariantClear(static_cast<VARIANT*>(element));
    }
    std::free(psa->pvData);
    delete psa;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* bound) {
    if (!psa || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *bound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* bound) {
    if (!psa || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *bound = static_cast<LONG>(psa->rgsabound[0].lLbound + static_cast<std::int64_t>(psa->rgsabound[0].cElements) - 1);
    return S_OK;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt) {
    if (!psa || !vt) return E_INVALIDARG;
    *vt = psa->vt;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* indices, void* value) {
    if (!psa || !indices || !value) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!IndexInRange(psa, indices[0], &offset)) return DISP_E_BADINDEX;
    void* element = static_cast<unsigned char*>(psa->pvData) + offset;
    if (psa->vt == VT_BSTR) {
        BSTR source = *static_cast<BSTR*>(element);
        BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
        if (source && !copy) return E_OUTOFMEMORY;
        *static_cast<BSTR*>(value) = copy;
        return S_OK;
    }
    if (psa->vt == VT_VARIANT) return E_INVALIDARG;  // not needed by this program
    std::memcpy(value, element, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* indices, void* value) {
    if (!psa || !indices) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!IndexInRange(psa, indices[0], &offset)) return DISP_E_BADINDEX;
    void* element = static_cast<unsigned char*>(psa->pvData) + offset;
    if (psa->vt == VT_BSTR) {
        BSTR source = static_cast<BSTR>(value);
        BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
        if (source && !copy) return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    if (!value || psa->vt == VT_VARIANT) return E_INVALIDARG;
    std::memcpy(element, value, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data) {
    if (!psa || !data) return E_INVALIDARG;
    ++psa->cLocks;
    *data = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

INT VariantTimeToSystemTime(DOUBLE time, SYSTEMTIME* st) {
    if (!st || !(time >= kFirstDate && time < kPastLastDate)) return 0;
    // The whole part counts days from 1899-12-30; the fraction is the time of
    // day whatever the sign. The time is rounded to the nearest whole second.
    std::int64_t days = static_cast<std::int64_t>(std::trunc(time));
    std::int64_t seconds = std::llround(std::fabs(time - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    if (days < -657434 || days > 2958465) return 0;
    const std::int64_t unixDays = days + kUnixDaysAtDateZero;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(unixDays, &year, &month, &day);
    st->wYear = static_cast<WORD>(year);
    st->wMonth = static_cast<WORD>(month);
    st->wDay = static_cast<WORD>(day);
    st->wDayOfWeek = static_cast<WORD>(((unixDays % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    st->wHour = static_cast<WORD>(seconds / 3600);
    st->wMinute = static_cast<WORD>(seconds / 60 % 60);
    st->wSecond = static_cast<WORD>(seconds % 60);
    st->wMilliseconds = 0;
    return 1;
}

INT SystemTimeToVariantTime(SYSTEMTIME* st, DOUBLE* time) {
    if (!st || !time) return 0;
    if (st->wYear < 100 || st->wYear > 9999 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
        st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999)
        return 0;
    const double days = static_cast<double>(DaysFromCivil(st->wYear, st->wMonth, st->wDay) - kUnixDaysAtDateZero);
    const double fraction = (st->wHour * 3600.0 + st->wMinute * 60.0 + st->wSecond) / 86400.0;
    *time = days < 0 ? days - fraction : days + fraction;
    return 1;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR target,
                        int targetChars) {
    if (codePage != CP_THREAD_ACP || flags != 0 || !source || sourceBytes == 0 || targetChars < 0) return 0;
    const std::size_t length = sourceBytes < 0 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceBytes);
    if (targetChars == 0) return static_cast<int>(length);
    if (static_cast<std::size_t>(targetChars) < length) return 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(source[i]);
        target[i] = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return static_cast<int>(length);
}
