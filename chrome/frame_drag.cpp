#include "chrome/frame_drag.h"

#include "chrome/geometry.h"
#include "chrome/win_geometry.h"

namespace {

constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;  // 0xF012

}  // namespace

bool BeginFrameDrag(HWND hWnd, const RECT& margins) {
    // The pointer as it is now, not where the press happened: the message may have waited in the queue.
    POINT pointer{};
    GetCursorPos(&pointer);
    ScreenToClient(hWnd, &pointer);
    RECT client{};
    GetClientRect(hWnd, &client);
    if (!veltar::IsInFrameBand(veltar::ToPoint(pointer), veltar::ToRect(client), veltar::ToRect(margins)))
        return false;
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    SendMessageW(hWnd, WM_SYSCOMMAND, kMoveByCaption, 0);
    return true;
}
