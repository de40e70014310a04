// The board's Super I/O chip over an in-memory chip that answers as the real
// ones do: its keys, its configuration registers and its hardware monitor's banks.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hardware/super_io.h"

namespace veltar::hardware {
namespace {

struct Chip {
    std::uint16_t id = 0xD428;     // NCT6798D
    bool nuvoton = true;
    bool inConfiguration = false;  // left there by the firmware
    std::uint8_t active = 1;
    std::uint16_t base = 0x0295;   // the low three bits are not part of the base
    std::uint8_t temperature = 38;
    std::uint8_t iteBank = 0;      // bits 7:5 of ITE's register 0x06
};

class MemoryChip final : public LpcPorts, public BusLock {
public:
    explicit MemoryChip(Chip chip, bool present = true) : m_chip(chip), m_present(present) {
        m_configuration = chip.inConfiguration;
    }

    bool SelectSlot(std::uint64_t slot) override { return Checked() && slot == 0; }
    bool FindBars() override { return Checked() && m_configuration && m_present; }
    std::optional<std::uint8_t> In(std::uint16_t port) override {
        if (!Checked() || port != Monitor() + 6) return std::nullopt;
        if (m_chip.nuvoton) return m_bank == 4 && m_index == 0x90 ? m_chip.temperature : 0;
        if (m_index == 0x06) return static_cast<std::uint8_t>(m_chip.iteBank | 0x05);
        return m_index == 0x29 && m_chip.iteBank == 0 ? m_chip.temperature : 0x33;
    }
    bool Out(std::uint16_t port, std::uint8_t value) override {
        if (!Checked()) return false;
        writes.push_back({port, value});
        if (port == 0x2E) return Key(value);
        if (port == Monitor() + 5) m_index = value;
        else if (port == Monitor() + 6 && m_chip.nuvoton && m_index == 0x4E) m_bank = value;
        else if (port == Monitor() + 6 && !m_chip.nuvoton && m_index == 0x06)
            m_chip.iteBank = static_cast<std::uint8_t>(value & 0xE0);
        return true;
    }
    std::optional<std::uint8_t> ConfigIn(std::uint8_t reg) override {
        if (!Checked()) return std::nullopt;
        if (!m_present || !m_configuration) return 0xFF;
        switch (reg) {
            case 0x20: return static_cast<std::uint8_t>(m_chip.id >> 8);
            case 0x21: return static_cast<std::uint8_t>(m_chip.id);
            case 0x30: return m_device == (m_chip.nuvoton ? 0x0B : 0x04) ? m_chip.active : 0;
            case 0x60: return static_cast<std::uint8_t>(m_chip.base >> 8);
            case 0x61: return static_cast<std::uint8_t>(m_chip.base);
            default: return 0;
        }
    }
    bool ConfigOut(std::uint8_t reg, std::uint8_t value) override {
        if (!Checked()) return false;
        writes.push_back({0x100 | reg, value});  // a configuration register, told apart from ports
        if (reg == 0x07) m_device = value;
        if (reg == 0x02 && !m_chip.nuvoton && (value & 2)) m_configuration = false;
        return true;
    }

    bool Acquire() override {
        if (heldElsewhere || m_held) return false;
        m_held = true;
        return true;
    }
    void Release() override { m_held = false; }

    bool InConfiguration() const { return m_configuration; }
    std::uint8_t NuvotonBank() const { return m_bank; }
    std::uint8_t IteBank() const { return m_chip.iteBank; }

    std::vector<std::pair<int, int>> writes;
    bool heldElsewhere = false;
    int unlockedCalls = 0;

private:
    // Every call is made with the lock held.
    bool Checked() {
        if (!m_held) ++unlockedCalls;
        return true;
    }
    std::uint16_t Monitor() const { return m_chip.base & ~7; }
    bool Key(std::uint8_t byte) {
        m_key.push_back(byte);
        const std::vector<std::uint8_t> entry = m_chip.nuvoton ? std::vector<std::uint8_t>{0x87, 0x87}
                                                               : std::vector<std::uint8_t>{0x87, 0x01, 0x55, 0x55};
        if (m_key.size() >= entry.size() && std::equal(entry.begin(), entry.end(), m_key.end() - entry.size()))
            m_configuration = true;
        if (m_chip.nuvoton && byte == 0xAA) m_configuration = false;
        return true;
    }

    Chip m_chip;
    bool m_present;
    bool m_configuration = false;
    bool m_held = false;
    std::vector<std::uint8_t> m_key;
    std::uint8_t m_device = 0;
    std::uint8_t m_index = 0;
    std::uint8_t m_bank = 0;
};

Chip Ite(std::uint16_t id, std::uint8_t temperature = 41) {
    return {id, false, false, 1, 0x0A40, temperature, 0};
}

TEST(SuperIo, EachFamilyIsFoundAndReadAndOnlyTheNamedWritesReachIt) {
    using W = std::vector<std::pair<int, int>>;
    const struct {
        const char* name;
        Chip chip;
        std::optional<BoardChip> found;
        std::optional<std::int32_t> milliCelsius;
        W findWrites;  // port or 0x100 | configuration register, value
    } cases[] = {
        {"NCT6798D", Chip{}, BoardChip{ChipFamily::Nuvoton, 0xD428, 0x0290}, 38000,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x107, 0x0B}, {0x2E, 0xAA}}},
        {"NCT6796D, another revision", Chip{0xD423}, BoardChip{ChipFamily::Nuvoton, 0xD423, 0x0290}, 38000,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x107, 0x0B}, {0x2E, 0xAA}}},
        {"IT8688E", Ite(0x8688), BoardChip{ChipFamily::Ite, 0x8688, 0x0A40}, 41000,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x01}, {0x2E, 0x55}, {0x2E, 0x55}, {0x107, 0x04},
           {0x102, 0x02}}},
        {"IT8686E left in configuration mode", [] { Chip c = Ite(0x8686); c.inConfiguration = true; return c; }(),
         BoardChip{ChipFamily::Ite, 0x8686, 0x0A40}, 41000, W{{0x107, 0x04}}},
        {"an unknown Nuvoton (NCT6687D)", Chip{0xD592}, std::nullopt, std::nullopt,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0xAA}}},
        {"an inactive monitor", [] { Chip c; c.active = 0; return c; }(), std::nullopt, std::nullopt,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x107, 0x0B}, {0x2E, 0xAA}}},
        {"a monitor without a base", [] { Chip c; c.base = 0x0003; return c; }(), std::nullopt, std::nullopt,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x107, 0x0B}, {0x2E, 0xAA}}},
        {"an open input (-55)", Chip{0xD428, true, false, 1, 0x0290, 0xC9}, BoardChip{ChipFamily::Nuvoton, 0xD428, 0x0290},
         std::nullopt, W{{0x2E, 0x87}, {0x2E, 0x87}, {0x107, 0x0B}, {0x2E, 0xAA}}},
        {"an unused input (127)", Ite(0x8620, 127), BoardChip{ChipFamily::Ite, 0x8620, 0x0A40}, std::nullopt,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x01}, {0x2E, 0x55}, {0x2E, 0x55}, {0x107, 0x04},
           {0x102, 0x02}}},
        {"below freezing", Ite(0x8698, 0xF6), BoardChip{ChipFamily::Ite, 0x8698, 0x0A40}, -10000,
         W{{0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x01}, {0x2E, 0x55}, {0x2E, 0x55}, {0x107, 0x04},
           {0x102, 0x02}}},
    };
    for (const auto& c : cases) {
        MemoryChip chip(c.chip);
        const auto found = FindBoardChip(chip, chip);
        EXPECT_EQ(found, c.found) << c.name;
        EXPECT_EQ(chip.writes, c.findWrites) << c.name;
        EXPECT_EQ(chip.InConfiguration(), c.chip.inConfiguration) << c.name;  // as the chip was found
        if (found) {
            EXPECT_EQ(ReadBoardTemperature(chip, chip, *found), c.milliCelsius) << c.name;
        }
        EXPECT_EQ(chip.unlockedCalls, 0) << c.name;
    }
}

TEST(SuperIo, TheBankIsSetForTheReadAndRestoredAfterIt) {
    MemoryChip nuvoton(Chip{});
    ASSERT_TRUE(ReadBoardTemperature(nuvoton, nuvoton, {ChipFamily::Nuvoton, 0xD428, 0x0290}));
    EXPECT_EQ(nuvoton.writes, (std::vector<std::pair<int, int>>{{0x295, 0x4E}, {0x296, 4}, {0x295, 0x90}, {0x295, 0x4E},
                                                                {0x296, 0}}));
    EXPECT_EQ(nuvoton.NuvotonBank(), 0);

    Chip banked = Ite(0x8689);
    banked.iteBank = 0x40;
    MemoryChip ite(banked);
    EXPECT_EQ(ReadBoardTemperature(ite, ite, {ChipFamily::Ite, 0x8689, 0x0A40}), 41000);
    EXPECT_EQ(ite.writes, (std::vector<std::pair<int, int>>{{0xA45, 0x06}, {0xA45, 0x06}, {0xA46, 0x05}, {0xA45, 0x29},
                                                            {0xA45, 0x06}, {0xA46, 0x45}}));
    EXPECT_EQ(ite.IteBank(), 0x40);
}

TEST(SuperIo, NoChipOrAMutexHeldElsewhereGivesNothingAndTouchesNothing) {
    MemoryChip absent(Chip{}, false);
    EXPECT_EQ(FindBoardChip(absent, absent), std::nullopt);
    EXPECT_EQ(absent.writes, (std::vector<std::pair<int, int>>{{0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x87}, {0x2E, 0x01},
                                                               {0x2E, 0x55}, {0x2E, 0x55}}));
    MemoryChip busy(Chip{});
    busy.heldElsewhere = true;
    EXPECT_EQ(FindBoardChip(busy, busy), std::nullopt);
    EXPECT_EQ(ReadBoardTemperature(busy, busy, {ChipFamily::Nuvoton, 0xD428, 0x0290}), std::nullopt);
    EXPECT_TRUE(busy.writes.empty());
    EXPECT_EQ(busy.unlockedCalls, 0);
}

}  // namespace
}  // namespace veltar::hardware
