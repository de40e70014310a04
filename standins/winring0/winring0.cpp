// A WinRing0.dll that reads model-specific registers from the sensor fixture
// instead of the processor.
#include <windows.h>

#include <cstdio>
#include <optional>

#include "sensors/platform/winring0.h"
#include "standins/fixture/fixture_file.h"

namespace {

// The library's state lives from InitializeOls to DeinitializeOls, as the real one's does.
std::optional<veltar::SensorFixture> g_fixture;

}  // namespace

extern "C" {

BOOL WINAPI InitializeOls() {
    auto fixture = veltar::LoadFixtureFromEnvironment();
    if (!fixture) return FALSE;
    if (fixture->registers.empty()) {
        std::fputs("VELTAR_SENSORS: the fixture gives no register values (msr lines)\n", stderr);
        return FALSE;
    }
    g_fixture = std::move(fixture);
    return TRUE;
}

VOID WINAPI DeinitializeOls() { g_fixture.reset(); }

BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx) {
    if (!eax || !edx) return FALSE;
    *eax = 0;
    *edx = 0;
    const auto value = g_fixture ? g_fixture->FindRegister(GetCurrentProcessorNumber(), index) : std::nullopt;
    if (!value) return FALSE;
    *eax = value->low;
    *edx = value->high;
    return TRUE;
}

}  // extern "C"
