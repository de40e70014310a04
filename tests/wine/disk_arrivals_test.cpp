// The drive list's listener in a real message-only window: a disk's arrival or
// removal, as the system broadcasts it, raises the change; other device
// notifications do not, and the window goes with the object.
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include "ui/disk_arrivals.h"

namespace veltar {
namespace {

HWND ListenerWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, kDiskArrivalsClass, nullptr); }

TEST(DiskArrivals, ADisksArrivalOrRemovalRaisesTheChangeAndNothingElseDoes) {
    const auto changes = std::make_shared<DriveChanges>();
    {
        DiskArrivals arrivals(changes);
        ASSERT_TRUE(arrivals.listening());
        const HWND window = ListenerWindow();
        ASSERT_NE(window, nullptr);
        DEV_BROADCAST_DEVICEINTERFACE_W disk{};
        disk.dbcc_size = sizeof disk;
        disk.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        DEV_BROADCAST_HDR volume{sizeof volume, DBT_DEVTYP_VOLUME, 0};
        const struct {
            WPARAM event;
            LPARAM broadcast;
            bool raised;
        } cases[] = {
            {DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&disk), true},
            {DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&disk), true},
            {DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume), false},
            {DBT_DEVNODES_CHANGED, 0, false},
        };
        for (const auto& c : cases) {
            SendMessageW(window, WM_DEVICECHANGE, c.event, c.broadcast);
            EXPECT_EQ(changes->Take(), c.raised) << c.event;
        }
    }
    EXPECT_EQ(ListenerWindow(), nullptr);
}

}  // namespace
}  // namespace veltar
