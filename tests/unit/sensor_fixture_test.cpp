#include "standins/fixture/fixture_variant.h"
#include "standins/fixture/sensor_fixture.h"

#include <gtest/gtest.h>

#include "sensors/format_variant.h"
#include "tests/unit/fixture_text.h"

namespace veltar {
namespace {

std::u16string RenderProperty(const SensorFixture& fixture, std::u16string_view name) {
    const FixtureProperty* property = fixture.classes.at(0).objects.at(0).Find(name);
    if (!property) return u"<missing>";
    VARIANT value;
    EXPECT_EQ(ToVariant(property->value, &value), S_OK);
    std::u16string text;
    if (value.vt == VT_BSTR) text = BstrView(value.bstrVal);
    else FormatVariant(text, value);
    VariantClear(&value);
    return text;
}

TEST(SensorFixture, EveryValueTypeRoundTripsThroughTheValueRecord) {
    const SensorFixture f = FixtureFrom(R"(# comment
wmi root\WMI Everything
object
Empty = VT_EMPTY
Null = VT_NULL   # trailing comment
Short = VT_I2 -5
Long = VT_I4 0x7FFFFFFF
Single = VT_R4 0.5
Double = VT_R8 -2.25
Flag = VT_BOOL true
Text = VT_BSTR 宋体 # not a comment
Blank = VT_BSTR
Byte = VT_UI1 65
Word = VT_UI2 65535
Dword = VT_UI4 4294967295
Quad = VT_I8 -9223372036854775808
UQuad = VT_UI8 0xFFFFFFFFFFFFFFFF
When = VT_DATE 2017-03-01 12:00:00
Smart = VT_ARRAY|VT_UI1 10, 0x1F,194
NoBytes = VT_ARRAY|VT_UI1
Names = VT_ARRAY|VT_BSTR a,b
)");
    ASSERT_EQ(f.classes.size(), 1u);
    EXPECT_EQ(RenderProperty(f, u"Empty"), u"");
    EXPECT_EQ(RenderProperty(f, u"Short"), u"-5");
    EXPECT_EQ(RenderProperty(f, u"Long"), u"2147483647");
    EXPECT_EQ(RenderProperty(f, u"Single"), u"  0.500000");
    EXPECT_EQ(RenderProperty(f, u"Double"), u" -2.250000");
    EXPECT_EQ(RenderProperty(f, u"Flag"), u"-1");
    EXPECT_EQ(RenderProperty(f, u"Text"), u"宋体 # not a comment");
    EXPECT_EQ(RenderProperty(f, u"Blank"), u"");
    EXPECT_EQ(RenderProperty(f, u"Byte"), u"A(0x41)");
    EXPECT_EQ(RenderProperty(f, u"Word"), u"65535");
    EXPECT_EQ(RenderProperty(f, u"Dword"), u"4294967295");
    EXPECT_EQ(RenderProperty(f, u"Quad"), u"-9223372036854775808");
    EXPECT_EQ(RenderProperty(f, u"UQuad"), u"18446744073709551615");
    EXPECT_EQ(RenderProperty(f, u"When"), u"2017-03-01 12:00:00.0");
    EXPECT_EQ(RenderProperty(f, u"Smart"), u"[0x0A,0x1F,0xC2]");
    EXPECT_EQ(RenderProperty(f, u"NoBytes"), u"[]");
    EXPECT_EQ(RenderProperty(f, u"Names"), u"");  // string arrays have no text
    EXPECT_EQ(f.classes[0].objects[0].Find(u"names")->value.texts, (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(SensorFixture, AMalformedLineIsReportedWithItsNumber) {
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"wmi root\\WMI A\nobject\nX = VT_I2 40000\n", 3},
        {"X = VT_I4 1\n", 1},
        {"wmi root\\WMI A\nX = VT_I4 1\n", 2},
        {"object\n", 1},
        {"\n\nwmi root\\WMI\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_BOOL yes\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_I4\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_NULL 1\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_DATE 2017-02-30 00:00:00\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_ARRAY|VT_UI1 1,,2\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_VARIANT 1\n", 3},
        {"msr 0 0x19C 5\n", 1},
        {"msr x 0x19C = 5\n", 1},
        {"msr 0 0x19C = 0x100000000\n", 1},
        {"smn 0x59800 0x64080000\n", 1},
        {"smn 0x59800 = 1 2\n", 1},
        {"drive 32 nvme 40\n", 1},
        {"drive 1 nvme\n", 1},
        {"drive 1 sata 40\n", 1},
        {"drive 1 usb\n", 1},
        {"drive 1 nvme 40000\n", 1},
        {"drive 1 sata\ndrive 1 nvme 3\n", 2},
        {"memory 8 ddr5 40\n", 1},
        {"memory 0 ddr3 40\n", 1},
        {"memory 0 ddr5\n", 1},
        {"memory 0 ddr5 warm\n", 1},
        {"memory 0 ddr4 40 limits 85\n", 1},
        {"memory 1 ddr5 fail\nmemory 1 ddr4 40\n", 2},
        {"# fine\nbogus line\n", 2},
        {"stall 100\n", 1},
        {"wmi root\\WMI A\nobject\nstall 100\n", 3},
        {"wmi root\\WMI A\nstall 1\nstall 2\n", 3},
        {"wmi root\\WMI A\nstall soon\n", 2},
        {"wmi root\\WMI A\nstall 4294967295\n", 2},
        {"wmi root\\WMI A\nobject\nX = VT_BSTR \xC3\x28\n", 3},
        // Beyond what a single holds.
        {"wmi root\\WMI A\nobject\nX = VT_R4 1e300\n", 3},
        {"wmi root\\WMI A\nobject\nX = VT_R4 -3.5e38\n", 3},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseSensorFixture(c.text);
        const auto* error = std::get_if<FixtureError>(&parsed);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_FALSE(error->message.empty());
    }
}

TEST(SensorFixture, AStallBelongsToTheClassAboveIt) {
    const auto parsed = ParseSensorFixture("wmi root\\WMI A\nstall 8000\nobject\nwmi root\\WMI B\nstall forever\n"
                                           "wmi root\\WMI C\n");
    const auto& fixture = std::get<SensorFixture>(parsed);
    EXPECT_EQ(fixture.classes[0].stallMs, 8000u);
    EXPECT_EQ(fixture.classes[1].stallMs, kStallForever);
    EXPECT_EQ(fixture.classes[2].stallMs, std::nullopt);
}

TEST(SensorFixture, RegistersForOneProcessorWinOverRegistersForAll) {
    const SensorFixture f = FixtureFrom("msr * 0x19C = 1 2\nmsr 1 0x19C = 3\nmsr * 0x19C = 5\n");
    EXPECT_EQ(f.FindRegister(0, 0x19C)->low, 5u);
    EXPECT_EQ(f.FindRegister(0, 0x19C)->high, 0u);
    EXPECT_EQ(f.FindRegister(1, 0x19C)->low, 3u);
    EXPECT_FALSE(f.FindRegister(0, 0x1A2));

    const SensorFixture amd = FixtureFrom("smn 0x59800 = 7\nsmn 0x59800 = 0x64080000 # later wins\n");
    EXPECT_EQ(amd.FindSmn(0x59800), 0x64080000u);
    EXPECT_FALSE(amd.FindSmn(0x59804));
    EXPECT_TRUE(amd.registers.empty());
}

TEST(SensorFixture, NamespacesAndClassesMatchWithoutRegardToCase) {
    const SensorFixture f = FixtureFrom("\xEF\xBB\xBFwmi root\\CIMV2 Win32_TemperatureProbe\n");
    EXPECT_TRUE(f.NamesNamespace(u"ROOT\\cimv2"));
    EXPECT_FALSE(f.NamesNamespace(u"root\\WMI"));
    EXPECT_NE(f.FindClass(u"root\\cimv2", u"win32_temperatureprobe"), nullptr);
    EXPECT_EQ(f.FindClass(u"root\\cimv2", u"Win32_Fan"), nullptr);
}

TEST(SensorFixture, OnlySelectAllQueriesAreServed) {
    EXPECT_EQ(SelectAllClass(u"SELECT * FROM MSStorageDriver_ATAPISmartData"), u"MSStorageDriver_ATAPISmartData");
    EXPECT_EQ(SelectAllClass(u"select  *  from Win32_Fan"), u"Win32_Fan");
    EXPECT_FALSE(SelectAllClass(u"SELECT Name FROM Win32_Fan"));
    EXPECT_FALSE(SelectAllClass(u"SELECT * FROM A WHERE X=1"));
    EXPECT_FALSE(SelectAllClass(u"SELECT * FROM"));
}

}  // namespace
}  // namespace veltar
