#include "standins/live/live_sensors.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace veltar::live {
namespace {

constexpr std::uint32_t kTarget = 0x1A2;
constexpr std::uint32_t kStatus = 0x19C;

void AddCpu(MemorySensorTree& tree, int cpu, int package, int core) {
    const std::string topology = "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
    tree.Add(topology + "physical_package_id", std::to_string(package) + "\n");
    tree.Add(topology + "core_id", std::to_string(core) + "\n");
}

// A temperature sensor of a monitor: temp<n>_label, _input and the optional limits.
void AddSensor(MemorySensorTree& tree, const std::string& monitor, int n, const std::string& label, const char* input,
               const char* crit = nullptr, const char* max = nullptr) {
    const std::string sensor = monitor + "/temp" + std::to_string(n);
    if (!label.empty()) tree.Add(sensor + "_label", label + "\n");
    if (input) tree.Add(sensor + "_input", std::string(input) + "\n");
    if (crit) tree.Add(sensor + "_crit", std::string(crit) + "\n");
    if (max) tree.Add(sensor + "_max", std::string(max) + "\n");
}

// The two register fields that the report reads.
struct Fields {
    std::uint32_t target;
    std::uint32_t readout;
    bool operator==(const Fields&) const = default;
};

std::optional<Fields> FieldsOf(const SensorTree& tree, std::uint32_t cpu) {
    const auto target = ReadRegister(tree, cpu, kTarget);
    const auto status = ReadRegister(tree, cpu, kStatus);
    if (!target || !status) return std::nullopt;
    return Fields{(target->low >> 16) & 0xFF, (status->low >> 16) & 0xFF};
}

TEST(LiveThermalZones, ReadableZonesAndTheirTripPointsInTenthsOfAKelvinByZoneNumber) {
    MemorySensorTree tree;
    tree.Add("sys/class/thermal/thermal_zone0/temp", "45000\n");   // 318.15 K
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_0_type", "hot\n");
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_0_temp", "90000\n");
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_1_type", "passive\n");
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_1_temp", "95000\n");   // 368.15 K
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_2_type", "critical\n");
    tree.Add("sys/class/thermal/thermal_zone0/trip_point_2_temp", "105000\n");  // 378.15 K
    tree.Add("sys/class/thermal/thermal_zone2/trip_point_0_type", "critical\n");  // its temperature cannot be read
    tree.Add("sys/class/thermal/thermal_zone2/temp", "-5000\n");   // 268.15 K
    tree.Add("sys/class/thermal/thermal_zone10/temp", "27850\n");  // 301.0 K
    tree.Add("sys/class/thermal/thermal_zone1/type", "acpitz\n");  // no temp: left out
    tree.Add("sys/class/thermal/thermal_zone3/temp", "n/a\n");
    tree.Add("sys/class/thermal/cooling_device0/cur_state", "0\n");
    EXPECT_EQ(ThermalZones(tree), (std::vector<ThermalZone>{{3182, 3682, 3782}, {2682, {}, {}}, {3010, {}, {}}}));
    EXPECT_TRUE(ThermalZones(MemorySensorTree()).empty());
}

TEST(LiveDisks, SataDisksForSmartAndNvmeDrivesForTheStoragePathByDeviceName) {
    MemorySensorTree tree;
    tree.Add("sys/block/sdb/device/hwmon/hwmon4/name", "drivetemp\n");
    tree.Add("sys/block/sdb/device/hwmon/hwmon4/temp1_input", "36000\n");
    tree.Add("sys/block/sda/device/hwmon/hwmon3/name", "drivetemp\n");  // its value cannot be read
    tree.Add("sys/block/sdc/device/hwmon/hwmon6/name", "other\n");
    tree.Add("sys/block/sdc/device/hwmon/hwmon6/temp1_input", "99000\n");
    tree.Add("sys/block/loop0/size", "0\n");
    tree.Add("sys/class/nvme/nvme0/hwmon5/name", "nvme\n");
    tree.Add("sys/class/nvme/nvme0/hwmon5/temp1_input", "41850\n");
    tree.Add("sys/class/nvme/nvme1/device/hwmon/hwmon7/name", "nvme\n");
    tree.Add("sys/class/nvme/nvme1/device/hwmon/hwmon7/temp1_input", "38499\n");
    tree.Add("sys/class/nvme/nvme2/hwmon8/name", "nvme\n");  // its value cannot be read
    const std::vector<Disk> disks = Disks(tree);
    ASSERT_EQ(disks.size(), 1u);
    EXPECT_EQ(disks[0].device, "sdb");
    EXPECT_EQ(disks[0].celsius, 36);
    const std::vector<Disk> nvme = NvmeDrives(tree);
    ASSERT_EQ(nvme.size(), 2u);
    EXPECT_EQ(nvme[0].device, "nvme0");
    EXPECT_EQ(nvme[0].celsius, 42);
    EXPECT_EQ(nvme[0].input, "sys/class/nvme/nvme0/hwmon5/temp1_input");
    EXPECT_EQ(nvme[1].device, "nvme1");
    EXPECT_EQ(nvme[1].input, "sys/class/nvme/nvme1/device/hwmon/hwmon7/temp1_input");
}

TEST(LiveDisks, SmartDataHoldsTheTemperatureAttributeAndItsChecksum) {
    const std::vector<std::uint8_t> data = SmartData(45);
    ASSERT_EQ(data.size(), 512u);
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin() + 2, data.begin() + 9),
              (std::vector<std::uint8_t>{0xC2, 0x22, 0x00, 0x64, 0x64, 45, 0x00}));
    EXPECT_EQ(std::accumulate(data.begin(), data.end(), 0u) % 256, 0u);
    // The marker stands once: nowhere else do 0xC2 and 0x22 follow one another.
    int markers = 0;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) markers += data[i] == 0xC2 && data[i + 1] == 0x22;
    EXPECT_EQ(markers, 1);
    EXPECT_EQ(SmartData(-3)[7], 0);
    EXPECT_EQ(SmartData(300)[7], 255);
}

TEST(LiveFixture, ServesNoProbeAZoneObjectPerZoneAndASmartObjectPerSataDisk) {
    MemorySensorTree tree;
    tree.Add("sys/class/thermal/thermal_zone0/temp", "45000\n");
    tree.Add("sys/block/sda/device/hwmon/hwmon2/name", "drivetemp\n");
    tree.Add("sys/block/sda/device/hwmon/hwmon2/temp1_input", "40000\n");
    tree.Add("sys/class/nvme/nvme0/hwmon1/name", "nvme\n");  // served on the storage path, not here
    tree.Add("sys/class/nvme/nvme0/hwmon1/temp1_input", "41000\n");
    const SensorFixture fixture = LiveFixture(tree);
    const FixtureClass* probe = fixture.FindClass(u"root\\CIMV2", u"Win32_TemperatureProbe");
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(probe->objects.empty());
    const FixtureClass* zones = fixture.FindClass(u"root\\WMI", u"MSAcpi_ThermalZoneTemperature");
    ASSERT_NE(zones, nullptr);
    ASSERT_EQ(zones->objects.size(), 1u);
    EXPECT_EQ(zones->objects[0].Find(u"CurrentTemperature")->value.integer, 3182);
    const FixtureClass* smart = fixture.FindClass(u"root\\WMI", u"MSStorageDriver_ATAPISmartData");
    ASSERT_NE(smart, nullptr);
    ASSERT_EQ(smart->objects.size(), 1u);
    const FixtureObject& disk = smart->objects[0];
    EXPECT_EQ(disk.Find(u"Active")->value.type, VT_BOOL);
    EXPECT_NE(disk.Find(u"Active")->value.integer, 0);
    EXPECT_EQ(disk.Find(u"InstanceName")->value.text, u"sda");
    EXPECT_EQ(disk.Find(u"VendorSpecific")->value.bytes, SmartData(40));
    // No disks and no zones: the classes are there, empty, so every query is answered.
    const SensorFixture bare = LiveFixture(MemorySensorTree());
    EXPECT_TRUE(bare.FindClass(u"root\\WMI", u"MSStorageDriver_ATAPISmartData")->objects.empty());
}

TEST(LiveProcessors, IntelCoresAreFoundThroughTheirPackageAndCoreIds) {
    MemorySensorTree tree;
    // Two packages; processors 0 and 2 are hyper-threads of one core; core 1 of package 1 has no input.
    AddCpu(tree, 0, 0, 0);
    AddCpu(tree, 1, 1, 0);
    AddCpu(tree, 2, 0, 0);
    AddCpu(tree, 3, 1, 1);
    AddCpu(tree, 4, 0, 4);
    AddSensor(tree, "sys/class/hwmon/hwmon1", 1, "Package id 0", "50000");
    AddSensor(tree, "sys/class/hwmon/hwmon1", 2, "Core 0", "45400", "100000", "84000");
    AddSensor(tree, "sys/class/hwmon/hwmon1", 6, "Core 4", "47600", nullptr, "90000");
    tree.Add("sys/class/hwmon/hwmon1/name", "coretemp\n");
    AddSensor(tree, "sys/class/hwmon/hwmon2", 1, "Package id 1", "60000");
    AddSensor(tree, "sys/class/hwmon/hwmon2", 2, "Core 0", "58000");
    AddSensor(tree, "sys/class/hwmon/hwmon2", 3, "Core 1", nullptr);
    tree.Add("sys/class/hwmon/hwmon2/name", "coretemp\n");
    tree.Add("sys/class/hwmon/hwmon0/name", "acpitz\n");

    EXPECT_EQ(FieldsOf(tree, 0), (Fields{100, 55}));  // the critical limit is the target
    EXPECT_EQ(FieldsOf(tree, 2), (Fields{100, 55}));  // its hyper-thread reads the same core
    EXPECT_EQ(FieldsOf(tree, 4), (Fields{90, 42}));   // no critical limit: the maximum
    EXPECT_EQ(FieldsOf(tree, 1), (Fields{100, 42}));  // no limit at all: 100 °C
    EXPECT_EQ(FieldsOf(tree, 3), std::nullopt);       // a core without an input
    EXPECT_EQ(FieldsOf(tree, 5), std::nullopt);       // a processor the tree does not know
    EXPECT_EQ(SourceOf(tree, 0), ProcessorSource::Coretemp);
    EXPECT_EQ(SourceOf(tree, 3), ProcessorSource::None);
    // The readout has seven bits, counting down from the target, and the reading is marked valid.
    EXPECT_EQ(ReadRegister(tree, 0, kStatus)->low, 0x80370000u);
    EXPECT_EQ(ReadRegister(tree, 0, 0x10), std::nullopt);
    EXPECT_EQ(Summary(tree), "4 processors from coretemp");

    // Found once, a processor's sensor is read anew each time: the temperature follows its input.
    ProcessorRegisters registers(tree);
    EXPECT_EQ((registers.Read(0, kStatus)->low >> 16) & 0x7F, 55u);
    tree.Add("sys/class/hwmon/hwmon1/temp2_input", "61000\n");
    EXPECT_EQ((registers.Read(0, kStatus)->low >> 16) & 0x7F, 39u);
    EXPECT_EQ(registers.Read(3, kStatus), std::nullopt);
}

TEST(LiveProcessors, AmdProcessorsAllReadTheControlTemperature) {
    MemorySensorTree tree;
    for (int cpu = 0; cpu < 3; ++cpu) AddCpu(tree, cpu, 0, cpu);
    tree.Add("sys/class/hwmon/hwmon3/name", "k10temp\n");
    AddSensor(tree, "sys/class/hwmon/hwmon3", 1, "Tctl", "61500");
    AddSensor(tree, "sys/class/hwmon/hwmon3", 3, "Tccd1", "55000");
    for (std::uint32_t cpu = 0; cpu < 3; ++cpu) EXPECT_EQ(FieldsOf(tree, cpu), (Fields{100, 38})) << cpu;
    EXPECT_EQ(Summary(tree), "3 processors from k10temp");
}

TEST(LiveProcessors, TheMsrDeviceIsPreferredAndGivesTheRegistersExactly) {
    MemorySensorTree tree;
    AddCpu(tree, 0, 0, 0);
    AddCpu(tree, 1, 0, 1);
    tree.Add("sys/class/hwmon/hwmon3/name", "k10temp\n");
    AddSensor(tree, "sys/class/hwmon/hwmon3", 1, "Tctl", "61500");
    // A register's eight bytes at its offset, low half first, least significant byte first. In a
    // plain file the two registers overlap: the status's high half ends where the target begins.
    std::string msr(0x1A2 + 8, '\0');
    const unsigned char status[6] = {0x00, 0x00, 0x2D, 0x88, 0x01, 0x02};
    const unsigned char target[8] = {0x00, 0x00, 0x5F, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::copy(std::begin(status), std::end(status), msr.begin() + 0x19C);
    std::copy(std::begin(target), std::end(target), msr.begin() + 0x1A2);
    tree.Add("dev/cpu/0/msr", msr);
    const auto read = ReadRegister(tree, 0, kStatus);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->low, 0x882D0000u);
    EXPECT_EQ(read->high, 0x00000201u);
    EXPECT_EQ(FieldsOf(tree, 0), (Fields{0x5F, 0x2D}));
    EXPECT_EQ(FieldsOf(tree, 1), (Fields{100, 38}));  // no device of its own: the driver
    EXPECT_EQ(Summary(tree), "2 processors from k10temp and the msr device");
}

TEST(LiveGraphics, EachDrmCardWithATemperatureIsAnAdapterReadFromItsFirstInput) {
    MemorySensorTree tree;
    tree.Add("sys/class/drm/card1/device/hwmon/hwmon3/name", "amdgpu\n");
    tree.Add("sys/class/drm/card1/device/hwmon/hwmon3/temp2_input", "71000\n");  // junction
    tree.Add("sys/class/drm/card1/device/hwmon/hwmon3/temp1_input", "54321\n");  // edge
    tree.Add("sys/class/drm/card0/device/vendor", "0x8086\n");                   // no monitor
    tree.Add("sys/class/drm/card1-DP-1/status", "connected\n");
    tree.Add("sys/class/drm/card2/device/hwmon/hwmon5/temp1_input", "n/a\n");
    tree.Add("sys/class/drm/card3/device/hwmon/hwmon9/temp1_input", "-5000\n");  // no reading
    tree.Add("sys/class/drm/card12/device/hwmon/hwmon4/temp1_input", "38000\n");
    tree.Add("sys/class/drm/card1/device/hwmon/hwmon3/temp1_max", "88000\n");
    tree.Add("sys/class/drm/card1/device/hwmon/hwmon3/temp1_crit", "95000\n");
    const std::vector<FixtureAdapter> adapters = GraphicsAdapters(tree);
    ASSERT_EQ(adapters.size(), 2u);
    // The input's maximum and critical values are the card's declared warning and maximum.
    EXPECT_TRUE(adapters[0].declaresCaps);
    EXPECT_EQ(adapters[0].temperatureWarning, 880u);
    EXPECT_EQ(adapters[0].temperatureMax, 950u);
    EXPECT_FALSE(adapters[1].declaresCaps);
    EXPECT_EQ(adapters[0].luid, 1u);
    EXPECT_EQ(adapters[0].status, 0);
    EXPECT_EQ(adapters[0].temperature, 543u);
    EXPECT_EQ(adapters[1].luid, 12u);
    EXPECT_EQ(adapters[1].temperature, 380u);
    EXPECT_EQ(Summary(tree), "2 graphics cards");
}

TEST(LiveBoard, TheSuperIoDriversBoardInputIsTheMainboard) {
    const struct {
        const char* driver;
        const char* file;
        const char* label;
        std::optional<std::int64_t> milli;
    } cases[] = {
        {"nct6798", "temp1", "SYSTIN", 34000},   {"nct6798", "temp2", "CPUTIN", std::nullopt},
        {"asusec", "temp3", "Motherboard", 36500}, {"it8688", "temp1", nullptr, 41000},
        {"it87952", "temp1", nullptr, 41000},    {"nct6687", "temp1", "SYSTIN", std::nullopt},  // another register map
        {"coretemp", "temp1", "Package id 0", std::nullopt},
    };
    for (const auto& c : cases) {
        MemorySensorTree tree;
        tree.Add("sys/class/hwmon/hwmon2/name", std::string(c.driver) + "\n");
        tree.Add(std::string("sys/class/hwmon/hwmon2/") + c.file + "_input",
                 c.milli ? std::to_string(*c.milli) + "\n" : "34000\n");
        if (c.label) tree.Add(std::string("sys/class/hwmon/hwmon2/") + c.file + "_label", std::string(c.label) + "\n");
        EXPECT_EQ(BoardTemperature(tree), c.milli) << c.driver << " " << c.file;
    }
}

// The slot from the bus address the i2c device is named by; the hub's reading
// where both drivers claim a slot; devices outside the eight slots ignored.
TEST(LiveMemory, EachModulesSensorByItsSlotWithItsLimits) {
    MemorySensorTree tree;
    const auto add = [&](const std::string& device, const char* input, const char* max) {
        const std::string monitor = "sys/bus/i2c/drivers/" + device + "/hwmon/hwmon7/";
        tree.Add(monitor + "temp1_input", std::string(input) + "\n");
        if (max) tree.Add(monitor + "temp1_max", std::string(max) + "\n");
        tree.Add(monitor + "temp1_crit", "85000\n");
    };
    add("spd5118/3-0052", "41250", "55000");
    add("spd5118/3-0050", "-2500", nullptr);
    add("jc42/3-001a", "40000", "80000");   // slot 2 again: the hub's stands
    add("jc42/3-0019", "33125", "80000");
    add("jc42/3-0020", "30000", "80000");   // not a slot's address
    add("spd5118/3-0053", "none", "55000");  // unreadable
    EXPECT_EQ(MemorySensors(tree), (std::vector<hardware::MemoryReading>{{0, -2500, std::nullopt, 85000},
                                                              {1, 33125, 80000, 85000},
                                                              {2, 41250, 55000, 85000}}));
}

TEST(LiveSummary, NamesWhatWasFoundAndIsEmptyWithoutSensors) {
    MemorySensorTree tree;
    tree.Add("sys/class/thermal/thermal_zone0/temp", "45000\n");
    tree.Add("sys/class/thermal/thermal_zone1/temp", "46000\n");
    tree.Add("sys/class/nvme/nvme0/hwmon1/name", "nvme\n");
    tree.Add("sys/class/nvme/nvme0/hwmon1/temp1_input", "40000\n");
    EXPECT_EQ(Summary(tree), "2 thermal zones, 1 disk");
    MemorySensorTree bare;
    AddCpu(bare, 0, 0, 0);
    EXPECT_EQ(Summary(bare), "");
}

}  // namespace
}  // namespace veltar::live
