// A session of a few thousand refreshes, and a few tray menus and About boxes,
// leaves the program's memory and handles where they were: tight enough that a
// handle or an allocation kept at every refresh shows. The long run of ten
// thousand is bench/soak_run.
#include <gtest/gtest.h>

#include "tests/e2e/soak_session.h"

namespace veltar::driver {
namespace {

constexpr int kRefreshes = 2000;
// Less than one leaked allocation of the smallest size at each refresh (16
// bytes with the heap's own 8) would add: 2,000 × 24 = 48,000 bytes. The heap
// may still grow by a few pages once.
constexpr SIZE_T kRefreshGrowthBound = 24 * 1024;
constexpr int kOpenings = 4;
// Less than one framed background of the About box, or one copy of the
// menu's, kept at each opening would add.
constexpr SIZE_T kOpeningGrowthBound = 64 * 1024;

// The program may take a handle or two of its own once, at any time; one kept at
// every refresh, or at every opening of the four, goes past that.
constexpr ULONG_PTR kHandleSlack = 2 * sizeof(HANDLE);

void ExpectNothingKept(const Usage& before, const Usage& after, SIZE_T memoryBound) {
    EXPECT_LE(after.memory, before.memory + memoryBound) << before.memory << " -> " << after.memory;
    EXPECT_NE(before.nextHandle, 0u);
    EXPECT_LE(after.nextHandle, before.nextHandle + kHandleSlack) << "handles " << before.handles << " -> " << after.handles;
    EXPECT_LE(after.handles, before.handles);
    EXPECT_LE(after.gdiObjects, before.gdiObjects);
    EXPECT_LE(after.userObjects, before.userObjects);
}

TEST(Soak, ThousandsOfRefreshesAndSomeMenusAndAboutBoxesLeaveNothingBehind) {
    SoakSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.Exercise(100, 2));  // warm-up: the heap and the caches find their size
    const Usage start = session.UsageNow();
    ASSERT_TRUE(session.Exercise(kRefreshes, 0));
    const Usage refreshed = session.UsageNow();
    ASSERT_TRUE(session.Exercise(0, kOpenings));
    const Usage opened = session.UsageNow();
    RecordProperty("committed_memory_after_warm_up", std::to_string(start.memory));
    RecordProperty("committed_memory_after_refreshes", std::to_string(refreshed.memory));
    RecordProperty("committed_memory_after_openings", std::to_string(opened.memory));

    EXPECT_TRUE(session.program().IsRunning());
    EXPECT_EQ(WindowText(session.window()), session.expectedReport());
    ExpectNothingKept(start, refreshed, kRefreshGrowthBound);
    ExpectNothingKept(refreshed, opened, kOpeningGrowthBound);

    PostMessageW(session.window(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(session.program().WaitForExit(), DWORD{2});
}

}  // namespace
}  // namespace veltar::driver
