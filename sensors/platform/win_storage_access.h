// The physical drives through their storage driver: \\.\PhysicalDrive<n>
// opened with no access rights, and IOCTL_STORAGE_QUERY_PROPERTY.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_win.h"
#include "sensors/platform/storage_access.h"

namespace veltar {

class WinStorageAccess final : public StorageAccess {
public:
    std::uint32_t ListDrives() override;
    bool OpenDrive(std::uint32_t number) override;
    std::optional<std::vector<std::uint8_t>> QueryProperty(std::uint32_t property) override;
    void CloseDrive() override { m_drive.Reset(); }

private:
    ScopedHandle m_drive;
    std::u16string m_deviceNames;  // QueryDosDeviceW's list, its room kept from one listing to the next
};

}  // namespace veltar
