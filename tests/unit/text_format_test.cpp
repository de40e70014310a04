#include "base/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace veltar {
namespace {

std::u16string Format(std::u16string_view format, const auto&... args) {
    std::u16string out;
    ReplaceFormatted(out, format, args...);
    return out;
}

TEST(TextFormat, IntegersFollowTheWindowsWidths) {
    EXPECT_EQ(Format(u"%d", -5), u"-5");
    EXPECT_EQ(Format(u"%ld", INT32_MIN), u"-2147483648");
    EXPECT_EQ(Format(u"%u", std::uint16_t{65535}), u"65535");
    EXPECT_EQ(Format(u"%lu", UINT32_MAX), u"4294967295");
    EXPECT_EQ(Format(u"%lld", INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(Format(u"%llu", UINT64_MAX), u"18446744073709551615");
    // "l" is 32 bits wide: a wider value is cut to its low 32 bits.
    EXPECT_EQ(Format(u"%lX", std::uint64_t{0x1234567890}), u"34567890");
    EXPECT_EQ(Format(u"%04d-%02d-%02d", 7, 3, 1), u"0007-03-01");
}

TEST(TextFormat, HexOfASignedByteShowsItsWidenedValue) {
    EXPECT_EQ(Format(u"0x%02X", 0x0A), u"0x0A");
    EXPECT_EQ(Format(u"0x%02X", static_cast<int>(static_cast<signed char>(0xC2))), u"0xFFFFFFC2");
}

TEST(TextFormat, FloatingPoint) {
    EXPECT_EQ(Format(u"%10.6f", 3.5), u"  3.500000");
    EXPECT_EQ(Format(u"%10.6f", static_cast<double>(0.1f)), u"  0.100000");
    EXPECT_EQ(Format(u"%.2f", -0.05), u"-0.05");
    EXPECT_EQ(Format(u"%.0f", 7.0), u"7");
    EXPECT_EQ(Format(u"%.2f℃", 27.85), u"27.85℃");
}

TEST(TextFormat, CharactersAndTexts) {
    EXPECT_EQ(Format(u"%C(0x%02X)", 0x41, 0x41), u"A(0x41)");
    EXPECT_EQ(Format(u"%C", -62), std::u16string(1, u'\u00C2'));
    EXPECT_EQ(Format(u"%C!", 0), std::u16string(u"\0!", 2));
    EXPECT_EQ(Format(u"[%s]", u"硬盘"), u"[硬盘]");
    EXPECT_EQ(Format(u"%s", static_cast<const char16_t*>(nullptr)), u"");
    EXPECT_EQ(Format(u"100%%"), u"100%");
}

TEST(TextFormat, AppendKeepsWhatWasThereAndMayReadItself) {
    std::u16string text = u"ab";
    AppendFormatted(text, u"%s|%d", text, 1);
    EXPECT_EQ(text, u"abab|1");
    ReplaceFormatted(text, u"<%s>", text);
    EXPECT_EQ(text, u"<abab|1>");
}

TEST(TextFormat, MismatchedArgumentsAreRefused) {
    std::u16string out;
    EXPECT_THROW(ReplaceFormatted(out, u"%d %d", 1), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%d", 1, 2), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%s", 1), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%f", 1), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%q", 1), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%", 1), std::invalid_argument);
    // A conversion outside ASCII is unknown, whatever its low byte: U+0164 is not 'd'.
    EXPECT_THROW(ReplaceFormatted(out, u"%\u0164", 1), std::invalid_argument);
    EXPECT_THROW(ReplaceFormatted(out, u"%l\u0173", 1), std::invalid_argument);
}

}  // namespace
}  // namespace veltar

namespace veltar {
namespace {

std::u16string Widen(const char* s) {
    std::u16string out;
    while (*s) out += static_cast<char16_t>(static_cast<unsigned char>(*s++));
    return out;
}

// The fast number paths give the C library's digits, padding and rounding.
TEST(TextFormat, NumbersMatchTheCLibrary) {
    char expected[128];
    for (double v : {0.0, -0.0, 0.005, 0.015, 0.125, 2.675, -273.15, 27.85, 1e15 + 0.3, 123456789.987654321, -1e-7}) {
        for (const char* directive : {"%.2f", "%.0f", "%10.6f", "%.3f", "%12.1f", "%-9.2f|"}) {
            std::snprintf(expected, sizeof expected, directive, v);
            std::u16string format = Widen(directive);
            EXPECT_EQ(Format(format, v), Widen(expected)) << directive << " of " << v;
        }
    }
    for (int v : {0, 7, -7, 45, -2147483647 - 1, 2147483647}) {
        for (const char* directive : {"%d", "%02d", "%04d", "%5d", "%-4d|", "%02X", "%X", "%u"}) {
            std::snprintf(expected, sizeof expected, directive, v);
            EXPECT_EQ(Format(Widen(directive), v), Widen(expected)) << directive << " of " << v;
        }
    }
    // Infinity and NaN have no digits to pad with zeros.
    for (double v : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        for (const char* directive : {"%010.2f", "%-010.2f|", "%10.6f"}) {
            std::snprintf(expected, sizeof expected, directive, v);
            EXPECT_EQ(Format(Widen(directive), v), Widen(expected)) << directive << " of " << v;
        }
    }
    std::snprintf(expected, sizeof expected, "%+d|% d|%#x", 5, 5, 255);
    EXPECT_EQ(Format(u"%+d|% d|%#x", 5, 5, 255), Widen(expected));
}

}  // namespace
}  // namespace veltar
