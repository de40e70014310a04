// The storage driver's descriptors read from hostile or short bytes.
#include "sensors/drive_names.h"
#include "sensors/kept_drive_list.h"
#include "sensors/storage_descriptors.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "standins/memory/memory_storage_access.h"

namespace veltar {
namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A temperature descriptor of the given entries (index, °C) whose Size and
// InfoCount say what the caller asks.
std::vector<std::uint8_t> Temperatures(const std::vector<std::pair<std::uint16_t, std::int16_t>>& entries,
                                       std::uint32_t size, std::uint16_t infoCount) {
    std::vector<std::uint8_t> bytes(24 + 16 * entries.size(), 0);
    Put16(bytes, 4, static_cast<std::uint16_t>(size));
    Put16(bytes, 6, static_cast<std::uint16_t>(size >> 16));
    Put16(bytes, 12, infoCount);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Put16(bytes, 24 + 16 * i, entries[i].first);
        Put16(bytes, 24 + 16 * i + 2, static_cast<std::uint16_t>(entries[i].second));
    }
    return bytes;
}

TEST(StorageDescriptors, TheBusIsReadOnlyWhereTheBytesHoldIt) {
    EXPECT_EQ(BusType(DeviceDescriptorBytes(0x11)), 0x11u);
    EXPECT_EQ(BusType({}), std::nullopt);
    std::vector<std::uint8_t> device = DeviceDescriptorBytes(0x11);
    EXPECT_EQ(BusType(std::span(device).first(31)), std::nullopt);  // returned short of BusType
    device[4] = 28;                                                  // Size ends before BusType
    EXPECT_EQ(BusType(device), std::nullopt);
}

TEST(StorageDescriptors, TheCompositeIsTheWholeEntryWithIndexZero) {
    EXPECT_EQ(CompositeTemperature(TemperatureDescriptorBytes(41)), 41);
    EXPECT_EQ(CompositeTemperature(TemperatureDescriptorBytes(-12)), -12);
    EXPECT_EQ(CompositeTemperature(Temperatures({{1, 50}, {0, 38}}, 56, 2)), 38);  // not the first entry
    EXPECT_EQ(CompositeTemperature(Temperatures({{1, 50}, {2, 60}}, 56, 2)), std::nullopt);
    EXPECT_EQ(CompositeTemperature(Temperatures({{1, 50}, {0, 38}}, 56, 1)), std::nullopt);  // InfoCount stops first

    EXPECT_EQ(CompositeTemperature({}), std::nullopt);
    EXPECT_EQ(CompositeTemperature(Temperatures({}, 24, 0)), std::nullopt);
    // An InfoCount beyond the bytes, and a Size beyond what was returned: only whole entries count.
    EXPECT_EQ(CompositeTemperature(Temperatures({{1, 50}, {0, 38}}, 56, 9)), 38);
    std::vector<std::uint8_t> cut = Temperatures({{1, 50}, {0, 38}}, 56, 2);
    EXPECT_EQ(CompositeTemperature(std::span(cut).first(55)), std::nullopt);
    EXPECT_EQ(CompositeTemperature(Temperatures({{1, 50}, {0, 38}}, 4000, 2)), 38);
    // A Size that cuts the entry off.
    EXPECT_EQ(CompositeTemperature(Temperatures({{0, 38}}, 39, 1)), std::nullopt);
    EXPECT_EQ(CompositeTemperature(Temperatures({{0, 38}}, 3, 1)), std::nullopt);
}

TEST(DriveNames, OnlyPhysicalDrivesZeroToThirtyOneCount) {
    using namespace std::string_view_literals;
    const struct {
        std::u16string_view names;
        std::uint32_t bits;
    } cases[] = {
        {u""sv, 0},
        {u"C:\0PhysicalDrive0\0COM1\0PhysicalDrive31\0\0"sv, 0x80000001},
        {u"physicaldrive7\0PHYSICALDRIVE12\0"sv, (1u << 7) | (1u << 12)},
        {u"PhysicalDrive32\0PhysicalDrive\0PhysicalDrive01\0PhysicalDrive1a\0PhysicalDrive100\0"sv, 0},
        {u"Harddisk0\0CdRom0\0PhysicalDrive3"sv, 1u << 3},  // the last name without its null
    };
    for (const auto& c : cases) EXPECT_EQ(PhysicalDriveBits(c.names), c.bits) << c.bits;
}

}  // namespace
}  // namespace veltar

namespace veltar {
namespace {

// Drives that come and go as a test says, counting how often they are listed.
class ChangingDrives final : public StorageAccess {
public:
    std::uint32_t ListDrives() override {
        ++listings;
        return present;
    }
    bool OpenDrive(std::uint32_t number) override { return present >> number & 1; }
    std::optional<std::vector<std::uint8_t>> QueryProperty(std::uint32_t) override { return std::nullopt; }
    void CloseDrive() override {}

    std::uint32_t present = 0b011;
    int listings = 0;
};

// Each step is a refresh: the system's drives then, whether it said a disk came
// or went, and what the kept list gives after the refresh opened its drives.
TEST(KeptDriveList, ListsAgainOnlyWhenADiskCameOrWentADriveFailedToOpenOrAMinutePassed) {
    ChangingDrives drives;
    std::uint64_t now = 0;
    const auto changes = std::make_shared<DriveChanges>();
    KeptDriveList list(drives, [&] { return now; }, changes);
    const struct {
        const char* name;
        std::uint64_t at;
        std::uint32_t present;
        bool said;
        std::uint32_t listed;
        int listings;
    } steps[] = {
        {"the first refresh lists them", 0, 0b011, false, 0b011, 1},
        {"then they are kept", 30'000, 0b011, false, 0b011, 1},
        {"a disk plugged in, nothing said yet", 31'000, 0b111, false, 0b011, 1},
        {"the system says so", 31'750, 0b111, true, 0b111, 2},
        {"a disk pulled out: its drive fails to open", 40'000, 0b101, false, 0b111, 2},
        {"so the next refresh lists them", 40'750, 0b101, false, 0b101, 3},
        {"kept for a minute", 100'749, 0b101, false, 0b101, 3},
        {"then listed again", 100'750, 0b101, false, 0b101, 4},
    };
    for (const auto& step : steps) {
        now = step.at;
        drives.present = step.present;
        if (step.said) changes->Raise();
        const std::uint32_t listed = list.ListDrives();
        for (std::uint32_t drive = 0; drive < kDriveNumbers; ++drive)
            if (listed >> drive & 1) list.OpenDrive(drive);
        EXPECT_EQ(listed, step.listed) << step.name;
        EXPECT_EQ(drives.listings, step.listings) << step.name;
    }
}

}  // namespace
}  // namespace veltar
