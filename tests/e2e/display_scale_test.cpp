// veltar.exe at 150 % (144 DPI, the prefix's LogPixels): every size the user
// sees is one and a half times its size at 96 DPI, and a change of scale while
// it runs gives the sizes of a start at the new one. The band dragged by real
// input and the icons' sizes are checked from the X side, in tests/desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "res/resource.h"
#include "tests/e2e/program_driver.h"
#include "tests/e2e/window_capture.h"

namespace veltar::driver {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

// The scale that Wine gives every program started while the object lives.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key,
                        nullptr);
        if (m_key) RegSetValueExW(m_key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~ScopedLogPixels() {
        if (!m_key) return;
        RegDeleteValueW(m_key, L"LogPixels");
        RegCloseKey(m_key);
    }
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

private:
    HKEY m_key = nullptr;
};

class DisplayScale : public ::testing::Test {
protected:
    void Launch() {
        program.emplace(L"veltar.exe", FixturePath(L"window.txt"));
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(WaitFor(*program, [&] { return (window = FindMainWindow(program->id())) && IsWindowVisible(window); }));
        ASSERT_TRUE(WaitFor(*program, [&] { return WindowText(window) != L"VELTAR"; }));
    }
    void Quit() {
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(program->WaitForExit(), DWORD{2});
        program.reset();
    }
    SIZE ClientSize() const {
        RECT client{};
        GetClientRect(window, &client);
        return {client.right, client.bottom};
    }
    // What a start at 144 DPI shows: the lines 30 pixels apart below a band of
    // 24 (painted 25) and the client (n + 2) × 30 high.
    void ExpectSizesAt144(int lines) {
        // The paint after a change of size comes in its own time, and a capture
        // may meet the next one half done: the sizes are read from a capture
        // that shows every line and the free row below them.
        const int freeRow = 24 + 30 * lines + 2;
        std::optional<Capture> captured;
        ASSERT_TRUE(WaitFor(*program, [&] {
            const Capture& image = captured.emplace(window);
            if (image.height != (lines + 2) * 30 || image.At(25, freeRow) != kBlue) return false;
            for (int k = 0; k < lines; ++k)
                if (image.TextPixelsInRows(24 + 30 * k, 24 + 30 * (k + 1)) == 0) return false;
            return true;
        })) << "the client " << captured->width << " x " << captured->height << " at 144 DPI, never whole";
        const Capture& image = *captured;
        EXPECT_EQ(image.height, (lines + 2) * 30);
        for (int k = 0; k < lines; ++k)
            EXPECT_GT(image.TextPixelsInRows(24 + 30 * k, 24 + 30 * (k + 1)), 0) << "line " << k;
        EXPECT_EQ(image.TextPixelsInRows(24 + 30 * lines, image.height), 0);
        for (const int x : {0, 24, image.width - 25}) EXPECT_EQ(image.At(x, freeRow), kGreen) << x;
        for (const int x : {25, image.width / 2, image.width - 26}) EXPECT_EQ(image.At(x, freeRow), kBlue) << x;
        EXPECT_EQ(image.At(25, 24), kGreen);
        EXPECT_EQ(image.At(25, 25), kBlue);
    }
    void ExpectWidthScaled(int widthAt96) {
        const double ratio = static_cast<double>(ClientSize().cx) / widthAt96;
        EXPECT_GE(ratio, 1.4) << ClientSize().cx << " against " << widthAt96;
        EXPECT_LE(ratio, 1.7) << ClientSize().cx << " against " << widthAt96;
    }

    std::optional<Program> program;
    HWND window = nullptr;
};

TEST_F(DisplayScale, At150PercentTheWindowAndTheAboutBoxAreOneAndAHalfTimesTheirSizeAt96) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const SIZE at96 = ClientSize();
    const int lines = at96.cy / 20 - 2;
    Quit();

    const ScopedLogPixels scale(144);
    ASSERT_NO_FATAL_FAILURE(Launch());
    ExpectSizesAt144(lines);
    ExpectWidthScaled(at96.cx);

    // The About box: its red band 24 pixels at the top (painted 25), 9 at the sides (painted 10).
    PostMessageW(window, WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor(*program, [&] { return (about = FindAboutBox(program->id())) != nullptr; }));
    ASSERT_TRUE(WaitFor(*program, [&] { return Capture(about).At(0, 0) == kRed; }));
    const Capture box(about);
    const int middle = box.height / 2;
    EXPECT_EQ(box.At(9, middle), kRed);
    EXPECT_EQ(box.At(10, middle), kGreen);
    EXPECT_EQ(box.At(box.width - 10, middle), kRed);
    EXPECT_EQ(box.At(box.width / 2, 24), kRed);
    EXPECT_EQ(box.At(box.width / 2, 25), kGreen);
    PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor(*program, [&] { return !IsWindow(about); }));
    Quit();
}

TEST_F(DisplayScale, AChangeTo150PercentGivesTheSizesOfAStartThere) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const SIZE at96 = ClientSize();
    const int lines = at96.cy / 20 - 2;
    RECT before{};
    GetWindowRect(window, &before);

    // Windows suggests a rectangle with the message: it lives in the program's
    // memory, as Windows' own would.
    const RECT suggested{before.left - 10, before.top - 10, before.left + 400, before.top + 300};
    void* remote = VirtualAllocEx(program->process(), nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(program->process(), remote, &suggested, sizeof suggested, nullptr));
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(program->process(), remote, 0, MEM_RELEASE);

    RECT after{};
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left, suggested.left);
    EXPECT_EQ(after.top, suggested.top);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ExpectSizesAt144(lines);
    ExpectWidthScaled(at96.cx);
    Quit();
}

}  // namespace
}  // namespace veltar::driver
