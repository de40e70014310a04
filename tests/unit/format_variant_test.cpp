#include "sensors/format_variant.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <vector>

namespace veltar {
namespace {

// A VARIANT that clears itself.
struct Value {
    VARIANT v;
    Value() { VariantInit(&v); }
    ~Value() { VariantClear(&v); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
};

std::u16string Render(const VARIANT& v) {
    std::u16string out = u"stale";
    FormatVariant(out, v);
    return out;
}

SAFEARRAY* Bytes(std::initializer_list<BYTE> bytes, LONG lowerBound = 0) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, lowerBound, static_cast<ULONG>(bytes.size()));
    LONG i = lowerBound;
    for (BYTE b : bytes) SafeArrayPutElement(array, &i, &b), ++i;
    return array;
}

SAFEARRAY* Strings(std::initializer_list<std::u16string_view> texts) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
    LONG i = 0;
    for (std::u16string_view t : texts) {
        BSTR s = AllocBstr(t);
        SafeArrayPutElement(array, &i, s);
        ++i;
        SysFreeString(s);
    }
    return array;
}

TEST(FormatVariant, Integers) {
    Value v;
    v.v.vt = VT_I2, v.v.iVal = -5;
    EXPECT_EQ(Render(v.v), u"-5");
    v.v.vt = VT_UI2, v.v.uiVal = 65535;
    EXPECT_EQ(Render(v.v), u"65535");
    v.v.vt = VT_I4, v.v.lVal = INT32_MIN;
    EXPECT_EQ(Render(v.v), u"-2147483648");
    v.v.vt = VT_ERROR, v.v.scode = -1;
    EXPECT_EQ(Render(v.v), u"-1");
    v.v.vt = VT_UI4, v.v.ulVal = 4000000000u;
    EXPECT_EQ(Render(v.v), u"4000000000");
    v.v.vt = VT_UINT, v.v.uintVal = 7;
    EXPECT_EQ(Render(v.v), u"7");
    v.v.vt = VT_I8, v.v.llVal = INT64_MIN;
    EXPECT_EQ(Render(v.v), u"-9223372036854775808");
    v.v.vt = VT_UI8, v.v.ullVal = UINT64_MAX;
    EXPECT_EQ(Render(v.v), u"18446744073709551615");
    v.v.vt = VT_BOOL, v.v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(Render(v.v), u"-1");
    v.v.boolVal = VARIANT_FALSE;
    EXPECT_EQ(Render(v.v), u"0");
}

TEST(FormatVariant, FloatingPointInAFieldOfTen) {
    Value v;
    v.v.vt = VT_R8, v.v.dblVal = 3.5;
    EXPECT_EQ(Render(v.v), u"  3.500000");
    v.v.vt = VT_R4, v.v.fltVal = 0.1f;
    EXPECT_EQ(Render(v.v), u"  0.100000");
    v.v.vt = VT_R8, v.v.dblVal = -12345.25;
    EXPECT_EQ(Render(v.v), u"-12345.250000");
}

TEST(FormatVariant, SingleBytesAsCharacterAndSignedHex) {
    Value v;
    v.v.vt = VT_UI1, v.v.bVal = 0x41;
    EXPECT_EQ(Render(v.v), u"A(0x41)");
    v.v.bVal = 0x80;
    EXPECT_EQ(Render(v.v), u"\u0080(0xFFFFFF80)");
    v.v.vt = VT_I1, v.v.bVal = 0xC2;
    EXPECT_EQ(Render(v.v), u"\u00C2(0xFFFFFFC2)");
    v.v.vt = VT_UI1, v.v.bVal = 0;
    EXPECT_EQ(Render(v.v), std::u16string(u"\0(0x00)", 7));
}

TEST(FormatVariant, Decimal) {
    Value v;
    v.v.decVal.scale = 2, v.v.decVal.sign = 0x80, v.v.decVal.Hi32 = 0, v.v.decVal.Lo64 = 12345;
    v.v.vt = VT_DECIMAL;
    EXPECT_EQ(Render(v.v), u"-123.45");
    v.v.decVal.scale = 0, v.v.decVal.sign = 0, v.v.decVal.Lo64 = 7;
    v.v.vt = VT_DECIMAL;
    EXPECT_EQ(Render(v.v), u"7");
    // Any sign byte other than 0x80 is positive; the high 32 bits are not used.
    v.v.decVal.scale = 1, v.v.decVal.sign = 0x01, v.v.decVal.Hi32 = 5, v.v.decVal.Lo64 = 15;
    v.v.vt = VT_DECIMAL;
    EXPECT_EQ(Render(v.v), u"1.5");
    // Large scales divide by the correctly rounded power of ten on every build.
    v.v.decVal.sign = 0, v.v.decVal.Hi32 = 0, v.v.decVal.Lo64 = 12345678901234567;
    v.v.decVal.scale = 25;
    v.v.vt = VT_DECIMAL;
    EXPECT_EQ(Render(v.v), u"0.0000000012345678901234566");
    v.v.decVal.scale = 26;
    v.v.vt = VT_DECIMAL;
    EXPECT_EQ(Render(v.v), u"0.00000000012345678901234568");
}

TEST(FormatVariant, DateAndItsFailure) {
    Value v;
    v.v.vt = VT_DATE, v.v.date = 42795.5;  // noon on 1 March 2017
    EXPECT_EQ(Render(v.v), u"2017-03-01 12:00:00.0");
    v.v.date = -1.25;  // the fraction is the time of day whatever the sign
    EXPECT_EQ(Render(v.v), u"1899-12-29 06:00:00.0");
    v.v.date = 1e10;
    EXPECT_EQ(Render(v.v), u"0000-00-00 00:00:00.0");
}

TEST(FormatVariant, CurrencyInTenThousandths) {
    Value v;
    v.v.vt = VT_CY, v.v.cyVal.int64 = 123456;
    EXPECT_EQ(Render(v.v), u"12.3456");
    v.v.cyVal.int64 = -1;
    EXPECT_EQ(Render(v.v), u"-0.0001");
    v.v.cyVal.int64 = LLONG_MIN;
    EXPECT_EQ(Render(v.v), u"-922337203685477.5808");
}

TEST(FormatVariant, Strings) {
    Value v;
    v.v.vt = VT_BSTR, v.v.bstrVal = AllocBstr(u"宋体 text");
    EXPECT_EQ(Render(v.v), u"宋体 text");
    VariantClear(&v.v);
    v.v.vt = VT_BSTR, v.v.bstrVal = nullptr;
    EXPECT_EQ(Render(v.v), u"");

    char16_t wide[] = u"wide";
    v.v.vt = VT_LPWSTR, v.v.byref = wide;
    EXPECT_EQ(Render(v.v), u"wide");
    char narrow[] = "narrow";
    v.v.vt = VT_LPSTR, v.v.pcVal = narrow;
    EXPECT_EQ(Render(v.v), u"narrow");
    char empty[] = "";
    v.v.pcVal = empty;
    EXPECT_EQ(Render(v.v), u"");
    v.v.pcVal = nullptr;
    EXPECT_EQ(Render(v.v), u"");
    v.v.vt = VT_EMPTY;
}

TEST(FormatVariant, ReferencesByTheirLow32Bits) {
    Value v;
    v.v.vt = VT_UNKNOWN, v.v.llVal = 0x12ABCDEF;
    EXPECT_EQ(Render(v.v), u"Unknow Ptr:0x12ABCDEF");
    v.v.vt = VT_DISPATCH;
    EXPECT_EQ(Render(v.v), u"0x12ABCDEF");
    v.v.vt = VT_EMPTY;
}

TEST(FormatVariant, ByteArrays) {
    Value v;
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = Bytes({10, 31, 194});
    EXPECT_EQ(Render(v.v), u"[0x0A,0x1F,0xC2]");
    VariantClear(&v.v);
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = Bytes({0});
    EXPECT_EQ(Render(v.v), u"[0x00]");
    VariantClear(&v.v);
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = Bytes({});
    EXPECT_EQ(Render(v.v), u"[]");
    VariantClear(&v.v);
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = Bytes({1, 2}, 5);
    EXPECT_EQ(Render(v.v), u"[0x01,0x02]");
}

TEST(FormatVariant, ByteArrayTextIsFiveCharactersAByte) {
    std::vector<BYTE> bytes(512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 7);
    Value v;
    v.v.vt = VT_ARRAY | VT_UI1;
    v.v.parray = SafeArrayCreateVector(VT_UI1, 0, 512);
    for (LONG i = 0; i < 512; ++i) SafeArrayPutElement(v.v.parray, &i, &bytes[static_cast<std::size_t>(i)]);
    const std::u16string text = Render(v.v);
    ASSERT_EQ(text.size(), 5u * 512 + 1);
    EXPECT_EQ(text.substr(0, 11), u"[0x00,0x07,");
    EXPECT_EQ(text.substr(5 * 300 + 1, 4), u"0x34");  // 300 * 7 = 2100 = 0x834
    EXPECT_EQ(text.back(), u']');
}

TEST(FormatVariant, ArraysWithoutReadableElements) {
    Value v;
    // An array whose bounds cannot be read tries index 0 once.
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = nullptr;
    EXPECT_EQ(Render(v.v), u"[]");
    // Elements of the wrong size are not read into a byte.
    v.v.parray = Strings({u"a", u"b"});
    EXPECT_EQ(Render(v.v), u"[,]");
    VariantClear(&v.v);
}

// Bounds that wrap around, or that claim more than the array holds, visit nothing.
TEST(FormatVariant, ArraysAtTheEndsOfTheIndexRangeStayWithinTheirElements) {
    Value v;
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = SafeArrayCreateVector(VT_UI1, INT32_MIN, 0);
    LONG upper = 0;
    ASSERT_TRUE(SUCCEEDED(SafeArrayGetUBound(v.v.parray, 1, &upper)));
    ASSERT_EQ(upper, INT32_MAX);  // an empty array's upper bound, wrapped
    EXPECT_EQ(Render(v.v), u"[]");
    VariantClear(&v.v);

    // The last two indices: filled through the data, since the platform may refuse to address them.
    v.v.vt = VT_ARRAY | VT_UI1, v.v.parray = SafeArrayCreateVector(VT_UI1, INT32_MAX - 1, 2);
    void* data = nullptr;
    ASSERT_TRUE(SUCCEEDED(SafeArrayAccessData(v.v.parray, &data)));
    static_cast<BYTE*>(data)[0] = 0x41, static_cast<BYTE*>(data)[1] = 0x42;
    SafeArrayUnaccessData(v.v.parray);
    EXPECT_EQ(Render(v.v), u"[0x41,0x42]");
    VariantClear(&v.v);

    v.v.vt = VT_SAFEARRAY, v.v.parray = SafeArrayCreateVector(VT_BSTR, INT32_MIN, 0);
    EXPECT_EQ(Render(v.v), u"[]");
    SafeArrayDestroy(v.v.parray);
    v.v.vt = VT_EMPTY;
}

TEST(FormatVariant, StringSafeArray) {
    Value v;
    v.v.vt = VT_SAFEARRAY, v.v.parray = Strings({u"a", u"", u"c"});
    EXPECT_EQ(Render(v.v), u"[a,,c]");
    SafeArrayDestroy(v.v.parray);
    // "%s" writes an element up to its first NUL.
    v.v.parray = Strings({std::u16string_view(u"a\0b", 3), u"c"});
    EXPECT_EQ(Render(v.v), u"[a,c]");
    // Elements that are not strings are not read as strings.
    SafeArrayDestroy(v.v.parray);
    v.v.parray = Bytes({1, 2, 3});
    EXPECT_EQ(Render(v.v), u"[,,]");
    SafeArrayDestroy(v.v.parray);
    v.v.vt = VT_EMPTY;
}

TEST(FormatVariant, TypesWithoutTextGiveTheEmptyText) {
    Value v;
    EXPECT_EQ(Render(v.v), u"");
    v.v.vt = VT_NULL;
    EXPECT_EQ(Render(v.v), u"");
    v.v.vt = VT_ARRAY | VT_BSTR, v.v.parray = Strings({u"a"});
    EXPECT_EQ(Render(v.v), u"");
    VariantClear(&v.v);
    for (VARTYPE code : {VARTYPE{15}, VARTYPE{24}, VARTYPE{4095}, VARTYPE(VT_BYREF | VT_I4), VARTYPE(VT_VECTOR | VT_UI1),
                         VARTYPE(VT_ARRAY | VT_I4), VARTYPE{0x8000}}) {
        v.v.vt = code, v.v.llVal = 1;
        EXPECT_EQ(Render(v.v), u"") << "type " << code;
    }
    v.v.vt = VT_EMPTY;
}

}  // namespace
}  // namespace veltar
