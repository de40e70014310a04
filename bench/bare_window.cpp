// The floor a refresh of Veltar is measured against: a bare window that sets
// its title and repaints five lines of text every 750 ms, and nothing more.
// bench/refresh-cost runs it beside veltar.exe. Ends after the seconds given
// (default 60), or when closed.
#include <windows.h>

#include <cwchar>
#include <cstdlib>

namespace {

constexpr UINT_PTR kRefreshTimerId = 1;
constexpr UINT kRefreshPeriodMs = 750;
constexpr UINT_PTR kEndTimerId = 2;
constexpr wchar_t kLines[] =
    L"主板-温度: 38.95℃\r\n硬盘1温度: 36.00℃\r\n硬盘2温度: 41.00℃\r\nCPU1-温度: 42.00℃\r\nCPU2-温度: 47.00℃\r\n";

unsigned g_refreshes = 0;

LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kEndTimerId) {
                DestroyWindow(hWnd);
                return 0;
            }
            if (wParam == kRefreshTimerId) {
                wchar_t title[32];
                std::swprintf(title, 32, L"bare window %u", ++g_refreshes);
                SetWindowTextW(hWnd, title);
                RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(hWnd, &paint);
            RECT client{};
            GetClientRect(hWnd, &client);
            DrawTextW(dc, kLines, -1, &client, DT_CENTER | DT_WORDBREAK);
            EndPaint(hWnd, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show) {
    const long seconds = arguments && *arguments ? std::wcstol(arguments, nullptr, 10) : 60;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VeltarBareWindow";
    if (!RegisterClassW(&windowClass)) return 1;
    const HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"bare window", WS_POPUP | WS_BORDER,
                                        100, 100, 300, 160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    SetTimer(window, kRefreshTimerId, kRefreshPeriodMs, nullptr);
    SetTimer(window, kEndTimerId, static_cast<UINT>(seconds > 0 ? seconds : 60) * 1000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
