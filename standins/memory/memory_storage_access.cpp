#include "standins/memory/memory_storage_access.h"

#include "sensors/storage_descriptors.h"

namespace veltar {
namespace {

constexpr std::uint32_t kBusTypeSata = 0x0B;

void PutLittle(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> DeviceDescriptorBytes(std::uint32_t busType) {
    std::vector<std::uint8_t> bytes(40, 0);
    PutLittle(bytes, 0, 40, 4);  // Version
    PutLittle(bytes, 4, 40, 4);  // Size
    PutLittle(bytes, 28, busType, 4);
    return bytes;
}

std::vector<std::uint8_t> TemperatureDescriptorBytes(std::int16_t celsius, std::int16_t warning,
                                                     std::int16_t critical) {
    std::vector<std::uint8_t> bytes(40, 0);
    PutLittle(bytes, 0, 40, 4);  // Version
    PutLittle(bytes, 4, 40, 4);  // Size
    PutLittle(bytes, 8, static_cast<std::uint16_t>(critical), 2);
    PutLittle(bytes, 10, static_cast<std::uint16_t>(warning), 2);
    PutLittle(bytes, 12, 1, 2);  // InfoCount
    PutLittle(bytes, 26, static_cast<std::uint16_t>(celsius), 2);  // entry 0: Index 0, Temperature
    return bytes;
}

std::uint32_t MemoryStorageAccess::ListDrives() {
    std::uint32_t listed = 0;
    for (const FixtureDrive& drive : m_fixture.drives) listed |= std::uint32_t{1} << drive.number;
    return listed;
}

bool MemoryStorageAccess::OpenDrive(std::uint32_t number) {
    CloseDrive();
    openAttempts.push_back(number);
    for (const FixtureDrive& drive : m_fixture.drives) {
        if (drive.number != number) continue;
        m_open = &drive;
        ++openDrives;
        return true;
    }
    return false;
}

std::optional<std::vector<std::uint8_t>> MemoryStorageAccess::QueryProperty(std::uint32_t property) {
    if (!m_open) return std::nullopt;
    if (property == kStorageDeviceProperty) return DeviceDescriptorBytes(m_open->nvme ? kBusTypeNvme : kBusTypeSata);
    if (property != kStorageDeviceTemperatureProperty) return std::nullopt;
    temperatureQueries.push_back(m_open->number);
    if (!m_open->nvme || !m_open->celsius) return std::nullopt;
    return TemperatureDescriptorBytes(*m_open->celsius, m_open->warning, m_open->critical);
}

void MemoryStorageAccess::CloseDrive() {
    if (m_open) --openDrives;
    m_open = nullptr;
}

}  // namespace veltar
