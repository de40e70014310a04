#include "chrome/window_dpi.h"

#include "base/module_function.h"
#include "base/scoped_win.h"

namespace veltar {

unsigned WindowDpi(HWND hWnd) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = ModuleFunction<DpiForWindow>(L"user32.dll", "GetDpiForWindow");
    if (dpiForWindow)
        if (const UINT dpi = dpiForWindow(hWnd)) return dpi;
    const ScopedGetDC screen(nullptr);
    return static_cast<unsigned>(GetDeviceCaps(screen.get(), LOGPIXELSX));
}

int SystemMetricForDpi(int index, unsigned dpi) {
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    static const auto metricsForDpi = ModuleFunction<MetricsForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
    return metricsForDpi ? metricsForDpi(index, dpi) : GetSystemMetrics(index);
}

}  // namespace veltar
