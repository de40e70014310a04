// Tells the reading thread's drive list when a disk comes or goes: a thread of
// its own with a message-only window registered for the disk interface's
// arrival and removal notifications. The main window's message map stays as it is.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "sensors/kept_drive_list.h"

namespace veltar {

// The message-only window's class, by which a test finds it.
inline constexpr wchar_t kDiskArrivalsClass[] = L"VeltarDiskArrivals";

class DiskArrivals {
public:
    explicit DiskArrivals(std::shared_ptr<DriveChanges> changes);
    ~DiskArrivals();
    DiskArrivals(const DiskArrivals&) = delete;
    DiskArrivals& operator=(const DiskArrivals&) = delete;

    // False where the window or its registration could not be made: the list
    // then relies on its other rules.
    bool listening() const { return m_window.load() != nullptr; }

private:
    void Run(HANDLE ready);

    std::shared_ptr<DriveChanges> m_changes;
    std::atomic<HWND> m_window{nullptr};
    std::thread m_thread;
};

}  // namespace veltar
