#include "chrome/window_dpi.h"

#include "base/scoped_win.h"

namespace veltar {
namespace {

template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

unsigned WindowDpi(HWND hWnd) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = User32Function<DpiForWindow>("GetDpiForWindow");
    if (dpiForWindow)
        if (const UINT dpi = dpiForWindow(hWnd)) return dpi;
    const ScopedGetDC screen(nullptr);
    return static_cast<unsigned>(GetDeviceCaps(screen.get(), LOGPIXELSX));
}

int SystemMetricForDpi(int index, unsigned dpi) {
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    static const auto metricsForDpi = User32Function<MetricsForDpi>("GetSystemMetricsForDpi");
    return metricsForDpi ? metricsForDpi(index, dpi) : GetSystemMetrics(index);
}

}  // namespace veltar
