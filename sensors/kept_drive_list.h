// The drives' list kept between refreshes: asking the system for every device
// name is most of what reading the drives costs, and drives almost never come
// or go. The list is asked for again when the system says a disk came or went,
// when a drive on it fails to open, and at least once a minute.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "sensors/platform/storage_access.h"

namespace veltar {

// Raised from any thread when a disk came or went; taken by the list.
class DriveChanges {
public:
    void Raise() { m_raised.store(true); }
    bool Take() { return m_raised.exchange(false); }

private:
    std::atomic<bool> m_raised{false};
};

inline constexpr std::uint64_t kDriveListLifeMs = 60'000;

// The storage seam with its list kept; everything else passes through.
class KeptDriveList final : public StorageAccess {
public:
    // now: a steady clock in milliseconds; changes: none where nothing says so.
    KeptDriveList(StorageAccess& storage, std::function<std::uint64_t()> now,
                  std::shared_ptr<DriveChanges> changes = nullptr)
        : m_storage(storage), m_now(std::move(now)), m_changes(std::move(changes)) {}

    std::uint32_t ListDrives() override;
    bool OpenDrive(std::uint32_t number) override;
    std::optional<std::vector<std::uint8_t>> QueryProperty(std::uint32_t property) override {
        return m_storage.QueryProperty(property);
    }
    void CloseDrive() override { m_storage.CloseDrive(); }

private:
    StorageAccess& m_storage;
    std::function<std::uint64_t()> m_now;
    std::shared_ptr<DriveChanges> m_changes;
    bool m_kept = false;
    std::uint32_t m_drives = 0;
    std::uint64_t m_listedAt = 0;
};

}  // namespace veltar
