// In-memory physical drives from the sensor fixture's drive lines, answering
// the two property queries with the bytes a storage driver returns.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sensors/platform/storage_access.h"
#include "standins/fixture/sensor_fixture.h"

namespace veltar {

// STORAGE_DEVICE_DESCRIPTOR with the bus, and STORAGE_TEMPERATURE_DATA_DESCRIPTOR
// with the drive's limits and one entry, Index 0, at the temperature.
std::vector<std::uint8_t> DeviceDescriptorBytes(std::uint32_t busType);
std::vector<std::uint8_t> TemperatureDescriptorBytes(std::int16_t celsius, std::int16_t warning = kLimitNotReported,
                                                     std::int16_t critical = kLimitNotReported);

class MemoryStorageAccess final : public StorageAccess {
public:
    explicit MemoryStorageAccess(SensorFixture fixture) : m_fixture(std::move(fixture)) {}

    std::uint32_t ListDrives() override;
    bool OpenDrive(std::uint32_t number) override;
    std::optional<std::vector<std::uint8_t>> QueryProperty(std::uint32_t property) override;
    void CloseDrive() override;

    int openDrives = 0;                        // opened and not yet closed
    std::vector<std::uint32_t> openAttempts;   // every drive number asked for
    std::vector<std::uint32_t> temperatureQueries;  // the drives asked for their temperature

private:
    SensorFixture m_fixture;
    const FixtureDrive* m_open = nullptr;
};

}  // namespace veltar
