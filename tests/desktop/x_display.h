// The X display the Windows programs run on under Wine, seen and driven from the
// Linux side: the pointer through the X test extension, the top-level windows
// through their X counterparts, which Wine keeps at the Windows windows' places.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "chrome/geometry.h"

namespace veltar::desktop {

class XDisplay {
public:
    // Opens the display named by DISPLAY; IsOpen() tells whether that worked.
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool IsOpen() const { return m_display != nullptr; }
    int ScreenWidth() const;
    int ScreenHeight() const;

    // Pointer input as a mouse gives it; each call reaches the server before it returns.
    void MoveTo(Point p);
    void Press(unsigned button = Button1);
    void Release(unsigned button = Button1);
    // Lets go of every button still held, as after a test that stopped half-way.
    void ReleaseAll();
    Point PointerPosition() const;

    // The mapped top-level windows, bottom to top.
    std::vector<Window> MappedWindows() const;
    Rect Geometry(Window window) const;
    // The window's title (_NET_WM_NAME, UTF-8), empty when it has none.
    std::string Title(Window window) const;
    std::string ClassName(Window window) const;
    // The widths of the icon images the window carries (_NET_WM_ICON), as Wine
    // passes the Windows window's big and small icons on.
    std::vector<long> IconWidths(Window window) const;
    bool IsOverrideRedirect(Window window) const;
    // Asks the window to close, as a window manager's close button does.
    void RequestClose(Window window);

    // Re-checks the condition each time the server reports a change of a
    // window's place, mapping or properties, until it holds or the time is up.
    template <typename Condition>
    bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            WatchWindows();
            if (condition()) return true;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            WaitForEvents(left);
        }
    }

    // The first mapped top-level window the predicate accepts, once there is one.
    template <typename Predicate>
    std::optional<Window> WaitForWindow(Predicate accept,
                                        std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::optional<Window> found;
        WaitFor(
            [&] {
                for (Window w : MappedWindows())
                    if (accept(w)) found = w;
                return found.has_value();
            },
            timeout);
        return found;
    }

private:
    // Returns once an event has arrived or the time is up; events only wake the waiter.
    void WaitForEvents(std::chrono::milliseconds timeout);
    // Asks for property changes of every current top-level window.
    void WatchWindows();

    Display* m_display = nullptr;
    unsigned m_held = 0;  // one bit per button held down
};

}  // namespace veltar::desktop
