// The pure parts of our hardware-access library: the AMD decoding, the register
// fields, the driver's call layout, the order of module trials and the reasons.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "hardware/pawnio_calls.h"
#include "hardware/processor_models.h"
#include "hardware/status_text.h"
#include "hardware/thermal_registers.h"

namespace veltar::hardware {
namespace {

constexpr std::uint32_t Eighths(std::uint32_t eighths) { return eighths << 21; }
constexpr std::uint32_t kRangeSelect = 1u << 19;

TEST(AmdDecoding, TctlFromTheRawFieldAndTheTwoRangeSelections) {
    EXPECT_EQ(TctlThousandths(0), 0);
    EXPECT_EQ(TctlThousandths(Eighths(2047)), 255875);
    EXPECT_EQ(TctlThousandths(Eighths(418) | 0x0014FFFF), 52250);  // the bits beside the field ignored
    EXPECT_EQ(TctlThousandths(Eighths(800) | kRangeSelect), 51000);
    EXPECT_EQ(TctlThousandths(Eighths(800) | 0x30000), 51000);              // bits 17:16 both set
    EXPECT_EQ(TctlThousandths(Eighths(800) | 0x10000), 100000);             // one of them is not enough
    EXPECT_EQ(TctlThousandths(Eighths(800) | 0x20000), 100000);
    EXPECT_EQ(TctlThousandths(Eighths(8) | kRangeSelect), -48000);          // below zero
}

TEST(AmdDecoding, ServesTheTwoRegistersFromTctl) {
    int smnReads = 0;
    auto smn = [&](std::uint32_t value) {
        return [&smnReads, value](std::uint32_t address) -> std::optional<std::uint32_t> {
            ++smnReads;
            EXPECT_EQ(address, 0x00059800u);
            return value;
        };
    };
    EXPECT_EQ(AmdRegister(0x1A2, 0, smn(0)), 0x00640000u);
    EXPECT_EQ(smnReads, 0);  // the target needs no read
    EXPECT_EQ(AmdRegister(0x19C, 0, smn(Eighths(418))), 0x80000000u | 48u << 16);  // 100 - 52.25 → 48
    EXPECT_EQ(AmdRegister(0x19C, 0, smn(Eighths(420))), 0x80000000u | 48u << 16);  // 100 - 52.5 = 47.5 → 48
    EXPECT_EQ(AmdRegister(0x19C, 0, smn(Eighths(8) | kRangeSelect)), 0x80000000u | 127u << 16);  // 148 held to 127
    EXPECT_EQ(AmdRegister(0x19C, 0, smn(Eighths(960))), 0x80000000u);  // 120 °C: below the target is held to 0
    EXPECT_EQ(AmdRegister(0x19C, 27, smn(Eighths(640))), 0x80000000u | 47u << 16);  // 80 - 27 = 53 → 47
    EXPECT_EQ(AmdRegister(0x1A2, 27, smn(0)), 0x00640000u);                          // the target stays
    EXPECT_EQ(smnReads, 5);

    const auto failing = [](std::uint32_t) -> std::optional<std::uint32_t> { return std::nullopt; };
    EXPECT_EQ(AmdRegister(0x19C, 0, failing), std::nullopt);
    EXPECT_EQ(AmdRegister(0x10, 0, smn(0)), std::nullopt);
    EXPECT_EQ(smnReads, 5);
}

TEST(AmdDecoding, TheOffsetModelsAreKnownByTheirBrandStringsAndNoOthers) {
    const struct {
        const char16_t* name;
        std::int64_t offset;
    } cases[] = {
        {u"AMD Ryzen 5 1600X Six-Core Processor", 20},
        {u"AMD Ryzen 7 1700X Eight-Core Processor", 20},
        {u"  AMD Ryzen  7   1800X Eight-Core Processor ", 20},  // however it is spaced
        {u"AMD Ryzen 7 2700X Eight-Core Processor", 10},
        {u"AMD Ryzen Threadripper 1900X 8-Core Processor", 27},
        {u"AMD Ryzen Threadripper 1950X 16-Core Processor", 27},
        {u"AMD Ryzen Threadripper 2920X 12-Core Processor", 27},
        {u"AMD Ryzen Threadripper 2990WX 32-Core Processor", 27},
        {u"AMD Ryzen 7 1700 Eight-Core Processor", 0},  // without the X
        {u"AMD Ryzen 7 2700 Eight-Core Processor", 0},
        {u"AMD Ryzen 7 PRO 1700X Eight-Core Processor", 0},
        {u"AMD Ryzen 5 1600 Six-Core Processor", 0},
        {u"AMD Ryzen Threadripper 3970X 32-Core Processor", 0},
        {u"AMD Ryzen Threadripper PRO 3995WX 64-Cores", 0},
        {u"AMD Ryzen 9 9950X 16-Core Processor", 0},  // Zen 5, family 1Ah
        {u"Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz", 0},
        {u"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TctlOffset(c.name), c.offset) << ToUtf8(c.name);
}

TEST(RegisterFields, TargetAndReadoutAreHeldToTheirBits) {
    EXPECT_EQ(TargetRegister(100), 0x00640000u);
    EXPECT_EQ(TargetRegister(300), 0x00FF0000u);
    EXPECT_EQ(TargetRegister(-5), 0u);
    EXPECT_EQ(ThermStatusRegister(55), 0x80370000u);
    EXPECT_EQ(ThermStatusRegister(128), 0x807F0000u);
    EXPECT_EQ(ThermStatusRegister(-3), 0x80000000u);
    EXPECT_EQ(RoundThousandths(47500), 48);
    EXPECT_EQ(RoundThousandths(-47500), -48);
    EXPECT_EQ(RoundThousandths(47499), 47);
}

TEST(PawnIoCalls, NamePaddedToThirtyTwoBytesThenLittleEndianArguments) {
    const std::uint64_t arguments[] = {0x19C, 0x0102030405060708ull};
    const std::vector<std::uint8_t> input = PackCall("ioctl_read_msr", arguments);
    ASSERT_EQ(input.size(), 48u);
    EXPECT_EQ(std::string(input.begin(), input.begin() + 14), "ioctl_read_msr");
    EXPECT_EQ(std::vector<std::uint8_t>(input.begin() + 14, input.begin() + 32), std::vector<std::uint8_t>(18, 0));
    EXPECT_EQ(std::vector<std::uint8_t>(input.begin() + 32, input.end()),
              (std::vector<std::uint8_t>{0x9C, 0x01, 0, 0, 0, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}));

    EXPECT_EQ(PackCall(std::string(31, 'f'), {}).size(), 32u);
    EXPECT_TRUE(PackCall(std::string(32, 'f'), {}).empty());  // no room for the terminating zero

    const std::uint8_t output[] = {0x00, 0x00, 0x37, 0x88, 0x01, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(UnpackValues(output), std::vector<std::uint64_t>{0x0000000188370000ull});  // a partial value is none
    EXPECT_TRUE(UnpackValues(std::span(output, 7)).empty());
}

TEST(PawnIoCalls, ModulesAreTriedIntelFirstUntilOneLoads) {
    std::vector<std::u16string> tried;
    auto trial = [&](ModuleLoad intel, ModuleLoad amd) {
        tried.clear();
        return ChooseModule([&](const ModuleFile& module) {
            tried.push_back(module.name);
            return module.vendor == Vendor::Intel ? intel : amd;
        });
    };
    ModuleChoice choice = trial(ModuleLoad::Loaded, ModuleLoad::Loaded);
    EXPECT_EQ(choice.vendor, Vendor::Intel);
    EXPECT_EQ(tried, std::vector<std::u16string>{u"IntelMSR.bin"});

    choice = trial(ModuleLoad::Refused, ModuleLoad::Loaded);
    EXPECT_EQ(choice.vendor, Vendor::Amd);
    EXPECT_EQ(tried, (std::vector<std::u16string>{u"IntelMSR.bin", u"AMDFamily17.bin"}));

    choice = trial(ModuleLoad::Missing, ModuleLoad::Refused);
    EXPECT_EQ(choice.vendor, std::nullopt);
    EXPECT_TRUE(choice.anyFound);

    choice = trial(ModuleLoad::Missing, ModuleLoad::Missing);
    EXPECT_EQ(choice.vendor, std::nullopt);
    EXPECT_FALSE(choice.anyFound);
}

TEST(StatusText, EachFailedOpenSaysWhatToDo) {
    EXPECT_EQ(DeviceOpenFailure(2).rfind(u"PawnIO is not installed: ", 0), 0u);
    EXPECT_EQ(DeviceOpenFailure(3), DeviceOpenFailure(2));
    EXPECT_NE(DeviceOpenFailure(5).find(u"run as administrator"), std::u16string::npos);
    EXPECT_NE(DeviceOpenFailure(1450).find(u"1450"), std::u16string::npos);
}

}  // namespace
}  // namespace veltar::hardware
