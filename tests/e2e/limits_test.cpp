// A machine whose parts reach the limits they declare, as the user sees it: the
// lines coloured in the window, the tray icon marked, and one balloon for each
// crossing of a critical limit.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>

#include "tests/e2e/program_driver.h"
#include "tests/e2e/window_capture.h"

namespace veltar::driver {
namespace {

constexpr COLORREF kRow = RGB(192, 0, 0);

bool IsOrange(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 100 && GetGValue(c) < 200 && GetBValue(c) < 80; }
bool IsWhite(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
bool IsRed(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 60 && GetBValue(c) < 60; }

template <typename Colour>
int CountIn(const Capture& image, int left, int top, int right, int bottom, Colour colour) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) count += colour(image.At(x, y));
    return count;
}

// The fixture's probe and graphics card at the given temperatures.
std::string Machine(const std::string& fixture, const char* probeTenthsKelvin, const char* gpuTenths) {
    std::string text = fixture;
    text.replace(text.find("3121"), 4, probeTenthsKelvin);
    text.replace(text.find(" 600 "), 5, std::string(" ") + gpuTenths + " ");
    return text;
}

struct WindowSearch {
    const wchar_t* className;
    DWORD style;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t name[64] = {};
    GetClassNameW(hWnd, name, 64);
    if (std::wstring(name) != search->className || !IsWindowVisible(hWnd) ||
        (static_cast<DWORD>(GetWindowLongW(hWnd, GWL_STYLE)) & search->style) != search->style)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

// Any process's visible top-level window of the class with those style bits.
HWND FindWindowOfClass(const wchar_t* className, DWORD style = 0) {
    WindowSearch search{className, style, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The balloon Wine's tray shows, and its text.
HWND VisibleBalloon() { return FindWindowOfClass(L"tooltips_class32", TTS_BALLOON); }

std::wstring TextOf(HWND hWnd) {
    wchar_t text[300] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 300, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

// Whether our icon in Wine's stand-alone tray comes to show a mark of the
// colour, or comes to show none. The tray is repainted from its background
// first: it paints a changed icon over the old one without erasing it.
bool TrayIconMark(const Program& program, bool (*colour)(COLORREF), bool shown) {
    return WaitFor(program, [&] {
        const HWND tray = FindWindowOfClass(L"__winex11_standalone_tray");
        const HWND icon = tray ? FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
        if (!icon) return false;
        RedrawWindow(tray, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT screen{};
        GetWindowRect(icon, &screen);
        const Capture image(screen);
        // The mark stands in the icon's upper right, where the plain thermometer is glass and air.
        return (CountIn(image, image.width / 2, 0, image.width, image.height * 2 / 5, colour) > 0) == shown;
    }, 10000, 100);
}

class HotMachine : public ::testing::Test {
protected:
    void Start(const char* probe, const char* gpu) {
        ASSERT_TRUE(fixture.Rewrite(Machine(fixture.original(), probe, gpu)));
        program.emplace(L"veltar.exe", fixture.path());
        ASSERT_TRUE(WaitFor(*program, [&] { return (window = FindMainWindow(program->id())) && IsWindowVisible(window); }));
        ASSERT_TRUE(WaitFor(*program, [&] { return WindowText(window).find(L"GPU1") != std::wstring::npos; }));
    }
    // The first report shown with both new readings. A report the timer began
    // before the rewrite may pair the old board with the new card: ask again.
    std::wstring Refresh(const char* probe, const char* gpu) {
        EXPECT_TRUE(fixture.Rewrite(Machine(fixture.original(), probe, gpu)));
        const std::wstring board = Celsius(std::stod(probe) / 10 - 273.15), card = Celsius(std::stod(gpu) / 10);
        std::wstring text;
        EXPECT_TRUE(WaitFor(*program, [&] {
            SetWindowTextW(window, L"");
            SendMessageW(window, WM_TIMER, 1, 0);
            return WaitFor(*program, [&] { return !(text = WindowText(window)).empty(); }) &&
                   text.find(board) != std::wstring::npos && text.find(card) != std::wstring::npos;
        }));
        return text;
    }
    static std::wstring Celsius(double value) {
        wchar_t text[32];
        swprintf(text, 32, L": %.2f\u2103", value);
        return text;
    }
    HWND BalloonSaying(const std::wstring& text) {
        HWND balloon = nullptr;
        WaitFor(*program, [&] { return (balloon = VisibleBalloon()) && TextOf(balloon) == text; }, 15000, 50);
        return balloon;
    }

    const StandInGdi32 standIn;
    LiveFixture fixture{L"limits.txt"};
    std::optional<Program> program;
    HWND window = nullptr;
};

TEST_F(HotMachine, LinesAtTheirLimitsAreColouredTheTrayIconMarkedAndACriticalCrossingSpokenOfOnce) {
    // The mainboard at 76.85 °C, past its warning threshold of 75; the graphics card at 96.5, past its maximum of 95.
    Start("3500", "965");
    const std::wstring report = WindowText(window);
    const int lines = static_cast<int>(std::count(report.begin(), report.end(), L'\n'));
    const int gpuLine = lines - 1;
    ASSERT_TRUE(WaitFor(*program, [&] { return Capture(window).At(kBand, kTextTop + gpuLine * kLineHeight) == kRow; }));
    const Capture image(window);
    const int inner = image.width - kBand;
    for (int line = 0; line < lines; ++line) {
        const int top = kTextTop + line * kLineHeight;
        const int bottom = top + kLineHeight;
        const int orange = CountIn(image, kBand, top, inner, bottom, IsOrange);
        const int yellow = image.TextPixelsInRows(top, bottom) - orange;
        const int white = CountIn(image, kBand, top, inner, bottom, IsWhite);
        if (line == 0) {
            EXPECT_GT(orange, 0);
            EXPECT_EQ(yellow, 0);
        } else if (line == gpuLine) {
            EXPECT_GT(white, 0);
            EXPECT_EQ(yellow, 0);
            for (int y = top; y < bottom; ++y) {
                EXPECT_EQ(image.At(kBand - 1, y), kGreen) << y;
                EXPECT_EQ(image.At(kBand, y), kRow) << y;
                EXPECT_EQ(image.At(inner - 1, y), kRow) << y;
                EXPECT_EQ(image.At(inner, y), kGreen) << y;
            }
        } else {
            EXPECT_GT(yellow, 0) << line;
            EXPECT_EQ(orange + white, 0) << line;
            EXPECT_EQ(CountIn(image, kBand, top, inner, bottom, IsRed), 0) << line;
        }
    }
    EXPECT_TRUE(TrayIconMark(*program, IsRed, true));

    // One balloon, about 2 s after the crossing, and it stays up through ten
    // more refreshes: another one would take it down and restart Wine's delay.
    const std::wstring crossed = L"GPU1-温度: 96.50℃ — critical limit 95.00℃";
    const HWND balloon = BalloonSaying(crossed);
    ASSERT_TRUE(balloon);
    for (int refresh = 0; refresh < 10; ++refresh) {
        EXPECT_EQ(Refresh("3500", "965"), report);
        EXPECT_EQ(VisibleBalloon(), balloon) << refresh;
    }
    EXPECT_EQ(TextOf(balloon), crossed);

    // Everything normal again: the window exactly as without limits, the icon plain.
    const std::wstring calm = Refresh("3121", "600");
    ASSERT_TRUE(WaitFor(*program, [&] { return Capture(window).At(kBand, kTextTop + gpuLine * kLineHeight) != kRow; }));
    const Capture normal(window);
    EXPECT_EQ(CountIn(normal, 0, 0, normal.width, normal.height, IsOrange), 0);
    EXPECT_EQ(CountIn(normal, 0, 0, normal.width, normal.height, IsWhite), 0);
    for (int line = 0; line < lines; ++line)
        EXPECT_GT(normal.TextPixelsInRows(kTextTop + line * kLineHeight, kTextTop + (line + 1) * kLineHeight), 0) << line;
    EXPECT_TRUE(TrayIconMark(*program, IsRed, false));
    EXPECT_TRUE(TrayIconMark(*program, IsOrange, false));

    // Having fallen more than 5 °C below its limit, the card's next crossing is spoken of again.
    EXPECT_NE(Refresh("3121", "970"), calm);
    EXPECT_TRUE(BalloonSaying(L"GPU1-温度: 97.00℃ — critical limit 95.00℃"));
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(program->WaitForExit(), DWORD{2});
}

}  // namespace
}  // namespace veltar::driver
