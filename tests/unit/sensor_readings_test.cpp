#include "sensors/sensor_readings.h"

#include <gtest/gtest.h>

namespace veltar {
namespace {

TEST(ParseUnsignedLikeWcstoul, ReadsLikeTheCLibrary) {
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"  3010K", 10).value, 3010u);
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"0x2D", 16).value, 0x2Du);
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"0x2", 16).value, 2u);
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"2d,0", 16).value, 0x2Du);
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"-1", 10).value, 0xFFFFFFFFu);
    EXPECT_EQ(ParseUnsignedLikeWcstoul(u"99999999999", 10).value, 0xFFFFFFFFu);
    // "0x" with no hexadecimal digit after it reads the 0 alone.
    const ParsedNumber zero = ParseUnsignedLikeWcstoul(u"0x", 16);
    EXPECT_TRUE(zero.hasDigits);
    EXPECT_EQ(zero.value, 0u);
    EXPECT_FALSE(ParseUnsignedLikeWcstoul(u"", 10).hasDigits);
    EXPECT_FALSE(ParseUnsignedLikeWcstoul(u" K", 10).hasDigits);
}

TEST(MainboardTemperature, TenthsOfAKelvinToCelsius) {
    EXPECT_DOUBLE_EQ(*MainboardTemperature(u"3010"), 27.85);
    EXPECT_DOUBLE_EQ(*MainboardTemperature(u"2732"), 0.05);
    EXPECT_DOUBLE_EQ(*MainboardTemperature(u"2731"), -0.05);
    EXPECT_DOUBLE_EQ(*MainboardTemperature(u"0"), -273.15);
}

TEST(MainboardTemperature, ATextWithoutDigitsIsNoReading) {
    EXPECT_FALSE(MainboardTemperature(u""));
    EXPECT_FALSE(MainboardTemperature(u"n/a"));
}

TEST(DiskTemperature, RawValueOfTheTemperatureAttribute) {
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0x10,0x00,0xC2,0x22,0x00,0x64,0x5A,0x2D,0x00,0x00]"), 45.0);
    // The first occurrence anywhere in the text counts.
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0xC2,0x22,0x01,0x02,0x03,0x1E,0xC2,0x22,0x00,0x00,0x00,0x2D]"), 30.0);
}

TEST(DiskTemperature, TheSearchFindsMarkersAfterNearMissesAndAmongOtherCharacters) {
    // A repeated attribute number, then the marker one byte later.
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0xC2,0xC2,0x22,0x00,0x64,0x5A,0x33,0x00]"), 51.0);
    // Text that is not a byte array at all: the search is purely textual.
    EXPECT_DOUBLE_EQ(DiskTemperature(u"温度℃ 0xC2,0x22,0x00,0x64,0x5A,0x1F"), 31.0);
    EXPECT_DOUBLE_EQ(DiskTemperature(u"0xC2,0x22,"), 0.0);
    EXPECT_DOUBLE_EQ(DiskTemperature(u"0xC2,0x22"), 0.0);
}

TEST(DiskTemperature, NoMarkerGivesZero) {
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0x22,0xC2,0x00,0x64,0x5A,0x2D,0x00]"), 0.0);
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0xC2,0x23,0x00,0x64,0x5A,0x2D,0x00]"), 0.0);
    EXPECT_DOUBLE_EQ(DiskTemperature(u""), 0.0);
}

TEST(DiskTemperature, MarkerTooCloseToTheEndGivesZero) {
    EXPECT_DOUBLE_EQ(DiskTemperature(u"[0xC2,0x22,0x00]"), 0.0);
    EXPECT_DOUBLE_EQ(DiskTemperature(u"0xC2,0x22,0x00,0x64,0x5A,"), 0.0);  // ends right at the raw value
    EXPECT_DOUBLE_EQ(DiskTemperature(u"0xC2,0x22,0x00,0x64,0x5A,0x2"), 2.0);  // fewer than four characters left
}

TEST(ProcessorTemperature, TargetMinusReadout) {
    EXPECT_DOUBLE_EQ(ProcessorTemperature(100u << 16, 55u << 16), 45.0);
    EXPECT_DOUBLE_EQ(ProcessorTemperature(0, 55u << 16), -55.0);
    // Only bits 16 to 23 count, bit 23 included.
    EXPECT_DOUBLE_EQ(ProcessorTemperature(0xFF64FFFF, 0x88B7FFFF), 100.0 - 0xB7);
}

}  // namespace
}  // namespace veltar
