#include "chrome/window_placement.h"

#include "chrome/geometry.h"
#include "chrome/win_geometry.h"

namespace {

constexpr LONG kCaptionAndFrameMask = static_cast<LONG>(0xFF3BFFFF);

}  // namespace

void CenterWindowOn(HWND hWnd, HWND owner) {
    RECT window{};
    GetWindowRect(hWnd, &window);
    const bool onOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(onOwner ? owner : hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT target = monitor.rcWork;
    if (onOwner) GetWindowRect(owner, &target);
    const veltar::Point corner = veltar::CenteredPosition(window.right - window.left, window.bottom - window.top,
                                                          veltar::ToRect(target), veltar::ToRect(monitor.rcWork));
    SetWindowPos(hWnd, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RemoveCaptionAndFrame(HWND hWnd) {
    SetWindowLongW(hWnd, GWL_STYLE, GetWindowLongW(hWnd, GWL_STYLE) & kCaptionAndFrameMask);
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
