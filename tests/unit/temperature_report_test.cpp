#include "sensors/temperature_report.h"

#include <gtest/gtest.h>

#include "sensors/prometheus_text.h"

#include <climits>

#include "standins/memory/memory_graphics_kernel.h"
#include "standins/memory/memory_hardware_access.h"
#include "standins/memory/memory_management_service.h"
#include "standins/memory/memory_storage_access.h"
#include "tests/unit/fixture_text.h"

namespace veltar {
namespace {

constexpr std::string_view kRegisters = "msr * 0x1A2 = 0x00640000\nmsr * 0x19C = 0x00370000\n";  // 100 - 55

struct Machine {
    MemoryManagementService service;
    WmiConnections connections{service};
    MemoryStorageAccess storage;
    MemoryHardwareAccess hardware;
    MemoryGraphicsKernel graphics;
    template <typename Processors>
    Machine(std::string_view fixture, Processors processors)
        : service(FixtureFrom(fixture)),
          storage(FixtureFrom(fixture)),
          hardware(FixtureFrom(fixture), processors),
          graphics(FixtureFrom(fixture).adapters) {}
    MachineSeams Seams() { return {connections, storage, hardware, graphics}; }
    std::u16string Report() { return GetTemperatureReport(Seams()); }
};

TEST(TemperatureReport, MainboardDisksAndProcessorsInThatOrder) {
    Machine m(std::string(R"(
wmi root\CIMV2 Win32_TemperatureProbe
object
CurrentTemperature = VT_UI4 3010
object
CurrentTemperature = VT_UI4 3500
wmi root\WMI MSStorageDriver_ATAPISmartData
object
VendorSpecific = VT_ARRAY|VT_UI1 0x10,0x00,0xC2,0x22,0x00,0x64,0x5A,0x2D,0x00,0x00,0x00
object
VendorSpecific = VT_ARRAY|VT_UI1 0x22,0xC2,0x00,0x64,0x5A,0x2D,0x00,0x00
)") + std::string(kRegisters), 2);
    EXPECT_EQ(m.Report(),
              u"主板-温度: 27.85℃\r\n"
              u"硬盘1温度: 45.00℃\r\n"
              u"硬盘2温度: 0.00℃\r\n"
              u"CPU1-温度: 45.00℃\r\n"
              u"CPU2-温度: 45.00℃\r\n");
    EXPECT_EQ(m.service.queries, (std::vector<std::u16string>{u"SELECT * FROM Win32_TemperatureProbe",
                                                              u"SELECT * FROM MSStorageDriver_ATAPISmartData"}));
    EXPECT_EQ(m.service.liveHandles, 3);  // the locator and the two namespaces' connections, kept for the next
}

TEST(TemperatureReport, ThePrometheusTextCarriesTheSameReadingsOneGaugeALine) {
    Machine m(std::string(R"(
wmi root\WMI MSAcpi_ThermalZoneTemperature
object
CurrentTemperature = VT_UI4 2731
wmi root\WMI MSStorageDriver_ATAPISmartData
object
VendorSpecific = VT_ARRAY|VT_UI1 0xC2,0x22,0x00,0x64,0x5A,0x2D,0x00
object
VendorSpecific = VT_ARRAY|VT_UI1 0x00
)") + "msr * 0x1A2 = 0x00640000\nmsr * 0x19C = 0x00370000\nmsr 1 0x19C = 0x00700000\n", 2);
    const std::vector<TemperatureReading> readings = GetTemperatureReadings(m.Seams());
    EXPECT_EQ(FormatPrometheus(readings),
              u"# HELP veltar_temperature_celsius Temperature of a sensor of this computer, in degrees Celsius.\n"
              u"# TYPE veltar_temperature_celsius gauge\n"
              u"veltar_temperature_celsius{sensor=\"mainboard\",index=\"1\"} -0.05\n"
              u"veltar_temperature_celsius{sensor=\"disk\",index=\"1\"} 45.00\n"
              u"veltar_temperature_celsius{sensor=\"disk\",index=\"2\"} 0.00\n"
              u"veltar_temperature_celsius{sensor=\"cpu\",index=\"1\"} 45.00\n"
              u"veltar_temperature_celsius{sensor=\"cpu\",index=\"2\"} -12.00\n"
              u"# HELP veltar_temperature_warning_celsius Temperature at which the sensor's part starts to throttle, "
              u"as its hardware declares it, in degrees Celsius.\n"
              u"# TYPE veltar_temperature_warning_celsius gauge\n"
              u"veltar_temperature_warning_celsius{sensor=\"cpu\",index=\"1\"} 100.00\n"
              u"veltar_temperature_warning_celsius{sensor=\"cpu\",index=\"2\"} 100.00\n");
    EXPECT_EQ(FormatReport(readings),
              u"主板-温度: -0.05℃\r\n硬盘1温度: 45.00℃\r\n硬盘2温度: 0.00℃\r\nCPU1-温度: 45.00℃\r\nCPU2-温度: -12.00℃\r\n");
}

TEST(TemperatureReport, NvmeDrivesFollowTheAtaDisksByDriveNumber) {
    const std::string drives = "drive 7 nvme -5\ndrive 2 nvme 41\ndrive 3 sata\ndrive 4 nvme none\n";
    const auto disks = [](int count) {
        std::string text = "wmi root\\WMI MSStorageDriver_ATAPISmartData\n";
        for (int i = 0; i < count; ++i) text += "object\nVendorSpecific = VT_ARRAY|VT_UI1 0xC2,0x22,0,0x64,0x5A,0x2D\n";
        return text;
    };
    for (int ata : {0, 1, 5}) {
        Machine m(disks(ata) + drives + std::string(kRegisters), 1);
        std::u16string expected;
        for (int i = 1; i <= ata; ++i) expected += u"硬盘" + std::u16string(1, u'0' + i) + u"温度: 45.00℃\r\n";
        // Drive 2, then drive 4 whose query fails, then drive 7; the SATA drive 3 is not listed again.
        const auto number = [&](int k) { return std::u16string(1, static_cast<char16_t>(u'0' + ata + k)); };
        expected += u"硬盘" + number(1) + u"温度: 41.00℃\r\n硬盘" + number(2) + u"温度: 0.00℃\r\n硬盘" + number(3) +
                    u"温度: -5.00℃\r\nCPU1-温度: 45.00℃\r\n";
        EXPECT_EQ(m.Report(), expected) << ata;
        EXPECT_EQ(m.storage.temperatureQueries, (std::vector<std::uint32_t>{2, 4, 7}));
        EXPECT_EQ(m.storage.openAttempts, (std::vector<std::uint32_t>{2, 3, 4, 7}));  // only the drives listed
        EXPECT_EQ(m.storage.openDrives, 0);
    }
    Machine none(kRegisters, 1);
    EXPECT_EQ(none.Report(), u"CPU1-温度: 45.00℃\r\n");
}

TEST(TemperatureReport, ThermalZoneWhenTheProbeClassReturnsNothing) {
    Machine m(std::string(R"(
wmi root\CIMV2 Win32_TemperatureProbe
wmi root\WMI MSAcpi_ThermalZoneTemperature
object
CurrentTemperature = VT_UI4 2731
)") + std::string(kRegisters), 0);
    EXPECT_EQ(m.Report(), u"主板-温度: -0.05℃\r\n");
    EXPECT_EQ(m.service.queries.size(), 3u);
    EXPECT_EQ(m.service.queries[1], u"SELECT * FROM MSAcpi_ThermalZoneTemperature");
}

TEST(TemperatureReport, TheBoardsChipServesOnlyWhereNeitherQueryGivesAnObject) {
    const struct {
        const char* name;
        std::string service;
        std::optional<double> chip;
        std::u16string mainboard;
    } cases[] = {
        {"no objects: the chip", "wmi root\\CIMV2 Win32_TemperatureProbe\n", 34.0, u"主板-温度: 34.00℃\r\n"},
        {"no objects and no chip", "wmi root\\CIMV2 Win32_TemperatureProbe\n", std::nullopt, u""},
        {"a zone object", "wmi root\\WMI MSAcpi_ThermalZoneTemperature\nobject\nCurrentTemperature = VT_UI4 3010\n",
         34.0, u"主板-温度: 27.85℃\r\n"},
        {"a probe object without a reading", "wmi root\\CIMV2 Win32_TemperatureProbe\nobject\nName = VT_BSTR probe\n",
         34.0, u""},
    };
    for (const auto& c : cases) {
        Machine m(c.service + std::string(kRegisters), 1);
        m.hardware.board = c.chip;
        EXPECT_EQ(m.Report(), c.mainboard + u"CPU1-温度: 45.00℃\r\n") << c.name;
    }
}

TEST(TemperatureReport, AProbeObjectWithoutAReadingStopsTheFallbackAndWritesNoLine) {
    for (const char* value : {"InstanceName = VT_BSTR probe", "CurrentTemperature = VT_NULL",
                              "CurrentTemperature = VT_BSTR"}) {
        Machine m(std::string("wmi root\\CIMV2 Win32_TemperatureProbe\nobject\n") + value +
                      "\nwmi root\\WMI MSAcpi_ThermalZoneTemperature\nobject\nCurrentTemperature = VT_UI4 3000\n",
                  0);
        EXPECT_EQ(m.Report(), u"") << value;
        EXPECT_EQ(m.service.queries.size(), 2u) << value;
    }
}

TEST(TemperatureReport, ADiskWithoutSmartDataShowsZero) {
    Machine m(R"(
wmi root\WMI MSStorageDriver_ATAPISmartData
object
Active = VT_BOOL true
VendorSpecific = VT_ARRAY|VT_UI1 0xC2,0x22,0x00,0x64,0x5A,0x28,0x00
object
Active = VT_BOOL true
)",
              0);
    EXPECT_EQ(m.Report(), u"硬盘1温度: 40.00℃\r\n硬盘2温度: 0.00℃\r\n");
}

TEST(TemperatureReport, EachProcessorIsPinnedForItsStatusAndRestoredAfterwards) {
    Machine m("msr * 0x1A2 = 0x00640000\n"
              "msr 0 0x19C = 0x00370000\nmsr 1 0x19C = 0x00320000\nmsr 2 0x19C = 0x002D0000\nmsr 3 0x19C = 0x00280000\n",
              4);
    EXPECT_EQ(m.Report(),
              u"CPU1-温度: 45.00℃\r\nCPU2-温度: 50.00℃\r\nCPU3-温度: 55.00℃\r\nCPU4-温度: 60.00℃\r\n");
    ASSERT_EQ(m.hardware.reads.size(), 8u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m.hardware.reads[2 * i].index, 0x1A2u);
        EXPECT_EQ(m.hardware.reads[2 * i].mask, MemoryHardwareAccess::kAllProcessors);  // not pinned yet
        EXPECT_EQ(m.hardware.reads[2 * i + 1].index, 0x19Cu);
        EXPECT_EQ(m.hardware.reads[2 * i + 1].mask, std::uintptr_t{1} << i);
    }
    EXPECT_EQ(m.hardware.mask(), MemoryHardwareAccess::kAllProcessors);
}

TEST(TemperatureReport, AFailedRegisterReadReadsAsZero) {
    // No IA32_THERM_STATUS: the readout is 0 on every call, not a stale value.
    Machine m("msr * 0x1A2 = 0x00640000\nmsr 0 0x19C = 0x00370000\n", 2);
    EXPECT_EQ(m.Report(), u"CPU1-温度: 45.00℃\r\nCPU2-温度: 100.00℃\r\n");
}

TEST(TemperatureReport, WhenPinningFailsTheRegisterIsReadWhereTheThreadRuns) {
    Machine m(kRegisters, 2);
    m.hardware.failPinning = true;
    EXPECT_EQ(m.Report(), u"CPU1-温度: 45.00℃\r\nCPU2-温度: 45.00℃\r\n");
    EXPECT_EQ(m.hardware.mask(), MemoryHardwareAccess::kAllProcessors);
}

TEST(TemperatureReport, ProcessorsBeyondTheAffinityMaskGetNoLine) {
    constexpr std::uint32_t kMaskBits = sizeof(std::uintptr_t) * CHAR_BIT;
    Machine m(kRegisters, kMaskBits + 3);
    const std::u16string report = m.Report();
    std::size_t lines = 0;
    for (std::size_t p = report.find(u"\r\n"); p != std::u16string::npos; p = report.find(u"\r\n", p + 2)) ++lines;
    EXPECT_EQ(lines, kMaskBits);
    EXPECT_NE(report.find(u"CPU" + std::u16string(kMaskBits == 64 ? u"64" : u"32") + u"-温度"), std::u16string::npos);
    EXPECT_EQ(m.hardware.reads.back().mask, std::uintptr_t{1} << (kMaskBits - 1));
}

TEST(TemperatureReport, ProcessorsOfEveryGroupAreNumberedOnAndEachReadIsPinnedWithinItsGroup) {
    // 144 processors in groups of 64, 64 and 16; processor 70 (group 1's
    // seventh) runs hotter than the rest.
    Machine m(std::string(kRegisters) + "msr 69 0x19C = 0x00140000\n", std::vector<std::uint32_t>{64, 64, 16});
    const GroupAffinity before = m.hardware.affinity();
    const std::vector<TemperatureReading> readings = GetTemperatureReadings(m.Seams());

    constexpr std::uint32_t kMaskBits = sizeof(std::uintptr_t) * CHAR_BIT;
    std::vector<std::uint32_t> numbers;
    std::vector<std::pair<std::uint16_t, std::uintptr_t>> pinned;
    for (const auto& read : m.hardware.reads) {
        if (read.index != 0x19C) continue;
        pinned.emplace_back(read.group, read.mask);
    }
    std::vector<std::pair<std::uint16_t, std::uintptr_t>> expected;
    for (std::uint32_t group = 0, first = 1; group < 3; first += group == 2 ? 16 : 64, ++group)
        for (std::uint32_t i = 0; i < (group == 2 ? 16u : 64u) && i < kMaskBits; ++i) {
            expected.emplace_back(static_cast<std::uint16_t>(group), std::uintptr_t{1} << i);
            numbers.push_back(first + i);
        }
    EXPECT_EQ(pinned, expected);
    ASSERT_EQ(readings.size(), numbers.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        EXPECT_EQ(readings[i].number, numbers[i]);
        EXPECT_EQ(readings[i].celsius, readings[i].number == 70 ? 80.0 : 45.0) << readings[i].number;
    }
    // The targets are read unpinned: the affinity is restored after every processor.
    for (std::size_t i = 0; i < m.hardware.reads.size(); i += 2)
        EXPECT_EQ(m.hardware.reads[i].mask, before.mask) << i;
    EXPECT_EQ(m.hardware.affinity().group, before.group);
    EXPECT_EQ(m.hardware.affinity().mask, before.mask);
    EXPECT_EQ(m.hardware.maskCalls, 0);
}

TEST(TemperatureReport, GraphicsAdaptersFollowTheProcessorsEveryHandleClosedAndTheMemoryComesLast) {
    Machine m(std::string(kRegisters) +
                  "gpu 0x1d0f1 0 653 0            # 65.3 degrees\n"
                  "gpu 0x1d0f2 0xC00000BB 0 0     # the query fails\n"
                  "gpu 0x1d0f3 0 0 0              # no temperature: an integrated GPU\n"
                  "gpu 0x1d0f4 0xC0000002 0 0     # the Basic Render Driver\n"
                  "gpu 0x1d0f5 0 1 1              # 0.1 degrees\n",
              1);
    // The memory modules' sensors come last, numbered from 1.
    m.hardware.memory = {{56.25, {55.0, 85.0}}, {-3.063, {}}};
    EXPECT_EQ(m.Report(), u"CPU1-温度: 45.00℃\r\nGPU1-温度: 65.30℃\r\nGPU2-温度: 0.10℃\r\n"
                          u"内存1温度: 56.25℃\r\n内存2温度: -3.06℃\r\n");
    EXPECT_EQ(m.graphics.handedOut, 5u);
    EXPECT_EQ(m.graphics.closed, 5u);
    EXPECT_EQ(m.graphics.physicalIndexes, std::vector<std::uint32_t>(5, 0));
}

// A graphics list that gains an adapter before each listing, while growths last.
class GrowingGraphicsKernel final : public MemoryGraphicsKernel {
public:
    explicit GrowingGraphicsKernel(int growths) : MemoryGraphicsKernel({{0, 0, 400, 0}}), m_growths(growths) {}
    NtStatus EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) override {
        if (adapters && m_growths-- > 0) {
            m_listed.push_back({m_listed.size(), 0, 400 + static_cast<std::uint32_t>(m_listed.size()), 0});
            SetAdapters(m_listed);
        }
        return MemoryGraphicsKernel::EnumAdapters(count, adapters);
    }

private:
    int m_growths;
    std::vector<FixtureAdapter> m_listed{{0, 0, 400, 0}};
};

TEST(TemperatureReport, AGraphicsListThatGrowsIsCountedAgainAFewTimesAtMost) {
    const struct {
        int growths;
        std::u16string gpuLines;
    } cases[] = {
        {0, u"GPU1-温度: 40.00℃\r\n"},
        {3, u"GPU1-温度: 40.00℃\r\nGPU2-温度: 40.10℃\r\nGPU3-温度: 40.20℃\r\nGPU4-温度: 40.30℃\r\n"},
        {9, u""},  // still growing after every try: no lines, and nothing left open
    };
    for (const auto& c : cases) {
        Machine m(kRegisters, 0);
        GrowingGraphicsKernel graphics(c.growths);
        EXPECT_EQ(GetTemperatureReport({m.connections, m.storage, m.hardware, graphics}), c.gpuLines) << c.growths;
        EXPECT_EQ(graphics.closed, graphics.handedOut) << c.growths;
    }
}

// What each source declares, and what is not believed: nothing outside 40 to
// 150 °C, nothing "not reported", nothing from a failing query.
TEST(TemperatureReport, EveryReadingCarriesTheLimitsItsOwnHardwareDeclares) {
    using L = TemperatureLimits;
    const struct {
        const char* name;
        std::string fixture;
        std::vector<L> limits;  // of each reading, in the report's order
    } cases[] = {
        {"probe thresholds, tenths of a degree",
         "wmi root\\CIMV2 Win32_TemperatureProbe\nobject\nCurrentTemperature = VT_UI4 3010\n"
         "UpperThresholdNonCritical = VT_I4 750\nUpperThresholdCritical = VT_I4 905\n",
         {L{75.0, 90.5}}},
        {"zone trip points, tenths of a kelvin, of the first object",
         "wmi root\\WMI MSAcpi_ThermalZoneTemperature\nobject\nCurrentTemperature = VT_UI4 3010\n"
         "PassiveTripPoint = VT_UI4 3582\nCriticalTripPoint = VT_UI4 3732\n"
         "object\nCurrentTemperature = VT_UI4 3010\nPassiveTripPoint = VT_UI4 3332\n",
         {L{85.05, 100.05}}},
        {"zone trip points out of range or absent",
         "wmi root\\WMI MSAcpi_ThermalZoneTemperature\nobject\nCurrentTemperature = VT_UI4 3010\n"
         "PassiveTripPoint = VT_UI4 0\nCriticalTripPoint = VT_UI4 4500\n",
         {L{}}},
        {"probe thresholds that say nothing",
         "wmi root\\CIMV2 Win32_TemperatureProbe\nobject\nCurrentTemperature = VT_UI4 3010\n"
         "UpperThresholdNonCritical = VT_NULL\nUpperThresholdCritical = VT_I4 -10\n",
         {L{}}},
        {"NVMe descriptors, reported, not reported, out of range, failing",
         "drive 1 nvme 38 limits 70 80\ndrive 2 nvme 38 limits -32768 85\ndrive 3 nvme 38 limits 0 200\n"
         "drive 4 nvme none limits 70 80\ndrive 5 nvme 38\n",
         {L{70.0, 80.0}, L{{}, 85.0}, L{}, L{}, L{}}},
        {"a processor's target less its offset", "msr * 0x1A2 = 0x0A640000\nmsr * 0x19C = 0x00370000\n",
         {L{90.0, {}}, L{90.0, {}}}},
        {"a processor's offset that leaves too little", "msr * 0x1A2 = 0x3F640000\nmsr * 0x19C = 0x00370000\n",
         {L{}, L{}}},
        {"adapter caps, tenths of a degree; a failing query declares nothing",
         "gpu 1 0 653 0 limits 850 950\ngpu 2 0 653 0 limits 0 1030\ngpu 3 0 653 0\n",
         {L{85.0, 95.0}, L{{}, 103.0}, L{}}},
    };
    for (const auto& c : cases) {
        Machine m(c.fixture, c.fixture.find("msr") == std::string::npos ? 0u : 2u);
        std::vector<L> limits;
        for (const TemperatureReading& reading : GetTemperatureReadings(m.Seams())) limits.push_back(reading.limits);
        EXPECT_EQ(limits, c.limits) << c.name;
    }
}

TEST(TemperatureLimits, AReadingIsCriticalAtItsCriticalLimitElseWarningAtItsWarningLimit) {
    using L = TemperatureLimits;
    const struct {
        double celsius;
        L limits;
        LimitState state;
    } cases[] = {
        {84.99, {85.0, 95.0}, LimitState::Normal},  {85.0, {85.0, 95.0}, LimitState::Warning},
        {95.0, {85.0, 95.0}, LimitState::Critical}, {200, {}, LimitState::Normal},
        {95.0, {{}, 95.0}, LimitState::Critical},   {99.0, {100.0, 95.0}, LimitState::Critical},
        {96.0, {{}, 97.0}, LimitState::Normal},
    };
    for (const auto& c : cases) EXPECT_EQ(StateOf(c.celsius, c.limits), c.state) << c.celsius;
    for (const double outside : {0.0, 39.99, 150.01, -32768.0}) EXPECT_FALSE(DeclaredLimit(outside)) << outside;
    EXPECT_EQ(DeclaredLimit(40), 40.0);
    EXPECT_EQ(DeclaredLimit(150), 150.0);
}

// The reading thread keeps one connection per namespace; one that is found gone
// is made anew within the refresh, and a second failure in a row costs that
// query alone, with the next refresh connecting afresh.
TEST(TemperatureReport, KeptConnectionsServeEveryRefreshAndHealWhenOneIsGone) {
    const std::string machine = R"(
wmi root\CIMV2 Win32_TemperatureProbe
wmi root\WMI MSAcpi_ThermalZoneTemperature
object
CurrentTemperature = VT_UI4 3010
wmi root\WMI MSStorageDriver_ATAPISmartData
disconnect 150 160 161
object
VendorSpecific = VT_ARRAY|VT_UI1 0xC2,0x22,0x00,0x64,0x5A,0x2D,0x00
)";
    const std::u16string complete = u"主板-温度: 27.85℃\r\n硬盘1温度: 45.00℃\r\nCPU1-温度: 45.00℃\r\n";
    Machine m(machine + std::string(kRegisters), 1);
    const auto connections = [&](std::u16string_view nameSpace) {
        return std::count(m.service.connections.begin(), m.service.connections.end(), nameSpace);
    };
    for (int refresh = 1; refresh <= 100; ++refresh) ASSERT_EQ(m.Report(), complete) << refresh;
    EXPECT_EQ(m.service.connections, (std::vector<std::u16string>{u"root\\CIMV2", u"root\\WMI"}));

    for (int refresh = 101; refresh <= 150; ++refresh) ASSERT_EQ(m.Report(), complete) << refresh;  // healed
    EXPECT_EQ(connections(u"root\\WMI"), 2);
    for (int refresh = 151; refresh <= 158; ++refresh) m.Report();
    // The SMART class's 160th query is gone, and so is the 161st on the new connection: no disk line.
    EXPECT_EQ(m.Report(), u"主板-温度: 27.85℃\r\nCPU1-温度: 45.00℃\r\n");
    EXPECT_EQ(connections(u"root\\WMI"), 3);
    EXPECT_EQ(m.Report(), complete);
    EXPECT_EQ(connections(u"root\\WMI"), 4);
    EXPECT_EQ(connections(u"root\\CIMV2"), 1);
    EXPECT_EQ(m.service.liveHandles, 3);
}

TEST(TemperatureReport, WithoutAnyServiceDataOnlyTheProcessorsRemain) {
    Machine m(kRegisters, 4);
    EXPECT_EQ(m.Report(),
              u"CPU1-温度: 45.00℃\r\nCPU2-温度: 45.00℃\r\nCPU3-温度: 45.00℃\r\nCPU4-温度: 45.00℃\r\n");
    Machine none(kRegisters, 0);
    EXPECT_EQ(none.Report(), u"");
}

}  // namespace
}  // namespace veltar
