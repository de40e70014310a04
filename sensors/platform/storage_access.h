// The seam over the physical drives' storage driver: one drive open at a time,
// and its answers to IOCTL_STORAGE_QUERY_PROPERTY as the bytes it returned.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace veltar {

// Drives 0 to 31 are looked for.
inline constexpr std::uint32_t kDriveNumbers = 32;

class StorageAccess {
public:
    virtual ~StorageAccess() = default;
    // The drives below kDriveNumbers that the system lists, as bits (bit n:
    // drive n); all of them where it cannot list them.
    virtual std::uint32_t ListDrives() = 0;
    // Opens \\.\PhysicalDrive<number> with no access rights, closing the drive
    // open before; false when it does not open.
    virtual bool OpenDrive(std::uint32_t number) = 0;
    // The open drive's answer to a standard query of the property; nothing when the query fails.
    virtual std::optional<std::vector<std::uint8_t>> QueryProperty(std::uint32_t property) = 0;
    virtual void CloseDrive() = 0;
};

}  // namespace veltar
