// The memory modules' sensors over an in-memory SMBus whose devices answer as
// the real ones do: a DDR5 hub's byte registers, read as words low byte first,
// and a DDR4 sensor's 16-bit registers, high byte first on the wire.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "hardware/memory_modules.h"

namespace veltar::hardware {
namespace {

class MemoryBus final : public SmbusPorts, public BusLock {
public:
    explicit MemoryBus(bool ports = false) : m_ports(ports) {}

    void Hub(std::uint8_t slot, std::uint16_t temperature, std::uint16_t high, std::uint16_t critical,
             std::uint8_t capability = 0x02, std::uint8_t page = 0, std::uint8_t config = 0) {
        auto& r = m_devices[static_cast<std::uint8_t>(0x50 + slot)];
        r = {{0, 0x51}, {1, 0x18}, {5, capability}, {11, page}, {26, config}};
        for (const auto& [reg, word] : {std::pair{28, high}, {32, critical}, {49, temperature}}) {
            r[static_cast<std::uint8_t>(reg)] = static_cast<std::uint8_t>(word);
            r[static_cast<std::uint8_t>(reg + 1)] = static_cast<std::uint8_t>(word >> 8);
        }
    }
    void Sensor(std::uint8_t slot, std::uint16_t temperature, std::uint16_t upper, std::uint16_t critical) {
        m_words[static_cast<std::uint8_t>(0x18 + slot)] = {{2, upper}, {4, critical}, {5, temperature}, {6, 0x1131}, {7, 0x2A00}};
    }
    // A device at 0x50 that is no hub: a DDR4 module's SPD EEPROM.
    void Eeprom(std::uint8_t slot) { m_devices[static_cast<std::uint8_t>(0x50 + slot)] = {{0, 0x23}, {1, 0x11}}; }
    void Fail(std::uint8_t address, std::uint8_t command) { m_failing.insert({address, command}); }

    std::optional<std::uint16_t> Read(std::uint8_t address, std::uint8_t command, SmbusProtocol protocol) override {
        reads.push_back({address, command, m_port, m_held});
        if ((m_ports && m_port != 0) || m_failing.contains({address, command})) return std::nullopt;
        if (const auto device = m_devices.find(address); device != m_devices.end()) {
            const auto byte = [&](int reg) { return device->second.contains(reg) ? device->second.at(reg) : 0; };
            if (protocol == SmbusProtocol::ByteData) return byte(command);
            return static_cast<std::uint16_t>(byte(command) | byte(command + 1) << 8);
        }
        if (const auto sensor = m_words.find(address); sensor != m_words.end()) {
            const std::uint16_t word = sensor->second.contains(command) ? sensor->second.at(command) : 0;
            return static_cast<std::uint16_t>(word >> 8 | (word & 0xFF) << 8);
        }
        return std::nullopt;
    }
    std::optional<std::uint64_t> SelectPort(std::int64_t port) override {
        selections.push_back(port);
        const std::uint64_t before = m_port;
        if (port != -1) m_port = static_cast<std::uint64_t>(port);
        return before;
    }
    bool Acquire() override { return m_held = !heldElsewhere; }
    void Release() override { m_held = false; }

    struct Transfer {
        std::uint8_t address, command;
        std::uint64_t port;
        bool held;
    };
    std::vector<Transfer> reads;
    std::vector<std::int64_t> selections;
    bool heldElsewhere = false;
    std::uint64_t port() const { return m_port; }

private:
    bool m_ports;
    std::uint64_t m_port = 2;  // where the firmware left AMD's controller
    bool m_held = false;
    std::map<std::uint8_t, std::map<int, std::uint8_t>> m_devices;
    std::map<std::uint8_t, std::map<int, std::uint16_t>> m_words;
    std::set<std::pair<std::uint8_t, std::uint8_t>> m_failing;
};

// The encodings: DDR5 quarter degrees in bits 12:2, DDR4 sixteenths in bits 12:0.
constexpr std::uint16_t Ddr5(int quarters) { return static_cast<std::uint16_t>((quarters & 0x7FF) << 2); }
constexpr std::uint16_t Ddr4(int sixteenths) { return static_cast<std::uint16_t>(sixteenths & 0x1FFF); }

TEST(MemoryModules, EachGenerationIsFoundAndReadWhereItsSensorCanBeBelieved) {
    using R = std::vector<MemoryReading>;
    const struct {
        const char* name;
        void (*build)(MemoryBus&);
        R readings;
    } cases[] = {
        {"DDR5 below freezing, with its limits",
         [](MemoryBus& b) { b.Hub(0, Ddr5(-21), Ddr5(220), Ddr5(340)); }, R{{0, -5250, 55000, 85000}}},
        {"DDR4 (0.0625 °C a step)", [](MemoryBus& b) { b.Sensor(1, Ddr4(721), Ddr4(1360), Ddr4(1520)); },
         R{{1, 45063, 85000, 95000}}},
        {"DDR4 below freezing, behind its SPD EEPROM",
         [](MemoryBus& b) { b.Eeprom(6); b.Sensor(6, Ddr4(-49), Ddr4(1360), Ddr4(1520)); }, R{{6, -3063, 85000, 95000}}},
        {"a hub without a sensor, one disabled, one on another page: nothing, and no DDR4 sensor asked",
         [](MemoryBus& b) {
             b.Hub(0, Ddr5(160), Ddr5(220), Ddr5(340), 0x00);
             b.Hub(1, Ddr5(160), Ddr5(220), Ddr5(340), 0x02, 0, 0x01);
             b.Hub(2, Ddr5(160), Ddr5(220), Ddr5(340), 0x02, 0x03);
             for (std::uint8_t slot : {0, 1, 2}) b.Sensor(slot, Ddr4(640), Ddr4(1360), Ddr4(1520));
         },
         R{}},
        {"limits not believed (0 °C, 200 °C) are none",
         [](MemoryBus& b) { b.Hub(3, Ddr5(160), 0, Ddr5(800)); }, R{{3, 40000, std::nullopt, std::nullopt}}},
        {"a temperature past 125 °C or a failed transfer leaves its slot out, the others stand",
         [](MemoryBus& b) {
             b.Hub(0, Ddr5(504), Ddr5(220), Ddr5(340));
             b.Hub(1, Ddr5(160), Ddr5(220), Ddr5(340));
             b.Fail(0x51, 32);
             b.Hub(7, Ddr5(170), Ddr5(220), Ddr5(340));
         },
         R{{7, 42500, 55000, 85000}}},
        {"no module", [](MemoryBus&) {}, R{}},
    };
    for (const auto& c : cases) {
        MemoryBus bus;
        c.build(bus);
        const std::vector<MemoryModule> modules = FindMemoryModules(bus, bus, false);
        EXPECT_EQ(ReadMemoryTemperatures(bus, bus, false, modules), c.readings) << c.name;
        for (const auto& transfer : bus.reads) EXPECT_TRUE(transfer.held) << c.name;
        EXPECT_TRUE(bus.selections.empty()) << c.name;  // Intel's controller has no ports
    }
}

// AMD's controller: every transfer on port 0, the port found selected again
// after each exchange; a mutex held elsewhere gives nothing and touches nothing.
TEST(MemoryModules, OnAmdsControllerEachExchangeRunsOnPortZeroAndRestoresThePortFound) {
    MemoryBus bus(true);
    bus.Hub(0, Ddr5(160), Ddr5(220), Ddr5(340));
    bus.Hub(2, Ddr5(200), Ddr5(220), Ddr5(340));
    const std::vector<MemoryModule> modules = FindMemoryModules(bus, bus, true);
    EXPECT_EQ(modules, (std::vector<MemoryModule>{{0, MemoryKind::Ddr5}, {2, MemoryKind::Ddr5}}));
    EXPECT_EQ(bus.port(), 2u);
    bus.reads.clear();
    EXPECT_EQ(ReadMemoryTemperatures(bus, bus, true, modules),
              (std::vector<MemoryReading>{{0, 40000, 55000, 85000}, {2, 50000, 55000, 85000}}));
    EXPECT_EQ(bus.reads.size(), 6u);  // the temperature and two limits of each
    for (const auto& transfer : bus.reads) EXPECT_TRUE(transfer.port == 0 && transfer.held);
    EXPECT_EQ(bus.selections, (std::vector<std::int64_t>{-1, 0, 2, -1, 0, 2}));
    EXPECT_EQ(bus.port(), 2u);

    bus.heldElsewhere = true;
    bus.reads.clear();
    bus.selections.clear();
    EXPECT_TRUE(FindMemoryModules(bus, bus, true).empty());
    EXPECT_TRUE(ReadMemoryTemperatures(bus, bus, true, modules).empty());
    EXPECT_TRUE(bus.reads.empty());
    EXPECT_TRUE(bus.selections.empty());
}

}  // namespace
}  // namespace veltar::hardware
