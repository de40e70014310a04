// Ten thousand refreshes of the real window, with two hundred tray menus and
// About boxes among them: what the process holds after a warm-up of a tenth of
// that, and at the end. A measurement, run on demand:
//   cmake --build --preset win32 --target soak_run
//   VELTAR_FIXTURES=$PWD/tests/fixtures tools/wine-run build/win32/soak_run.exe
#include <cstdio>

#include "tests/e2e/soak_session.h"

namespace {

void Print(const char* when, const veltar::driver::Usage& usage) {
    std::printf("%-18s %8llu KiB committed, next handle %llu, %lu handles, %lu GDI and %lu USER objects\n", when,
                static_cast<unsigned long long>(usage.memory / 1024),
                static_cast<unsigned long long>(usage.nextHandle), usage.handles, usage.gdiObjects, usage.userObjects);
}

}  // namespace

int main() {
    veltar::driver::SoakSession session;
    if (!session.started()) {
        std::fputs("soak_run: veltar.exe did not start (VELTAR_FIXTURES names tests/fixtures?)\n", stderr);
        return 1;
    }
    const ULONGLONG start = GetTickCount64();
    if (!session.Exercise(1000, 20)) return 1;
    Print("after 1,000:", session.UsageNow());
    if (!session.Exercise(9000, 180)) return 1;
    Print("after 10,000:", session.UsageNow());
    std::printf("%.1f ms a refresh\n", static_cast<double>(GetTickCount64() - start) / 10000);
    PostMessageW(session.window(), WM_KEYDOWN, VK_ESCAPE, 0);
    return session.program().WaitForExit() == DWORD{2} ? 0 : 1;
}
