// A WinRing0.dll that reads model-specific registers from the sensor fixture
// instead of the processor, or the Linux kernel's sensors with the live source,
// which also give the board's Super I/O chip and the memory modules' sensors.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <optional>

#include "sensors/platform/winring0.h"
#include "sensors/temperature_limits.h"
#include "standins/fixture/fixture_file.h"
#include "standins/live/live_sensors.h"
#include "standins/live/win_sensor_tree.h"

namespace {

// The library's state lives from InitializeOls to DeinitializeOls, as the real
// one's does: the fixture's registers, or the live source, read at every call.
std::optional<veltar::SensorFixture> g_fixture;
std::optional<veltar::live::WinSensorTree> g_live;
std::optional<veltar::live::ProcessorRegisters> g_liveRegisters;  // reads g_live

}  // namespace

extern "C" {

BOOL WINAPI InitializeOls() {
    if (veltar::LiveSourceSelected()) {
        g_live.emplace();
        g_liveRegisters.emplace(*g_live);
        return TRUE;
    }
    auto fixture = veltar::LoadFixtureFromEnvironment();
    if (!fixture) return FALSE;
    if (fixture->registers.empty()) {
        std::fputs("VELTAR_SENSORS: the fixture gives no register values (msr lines)\n", stderr);
        return FALSE;
    }
    g_fixture = std::move(fixture);
    return TRUE;
}

VOID WINAPI DeinitializeOls() {
    g_fixture.reset();
    g_liveRegisters.reset();
    g_live.reset();
}

BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx) {
    if (!eax || !edx) return FALSE;
    *eax = 0;
    *edx = 0;
    const DWORD cpu = GetCurrentProcessorNumber();
    const auto value = g_liveRegisters ? g_liveRegisters->Read(cpu, index)
                       : g_fixture       ? g_fixture->FindRegister(cpu, index)
                                         : std::nullopt;
    if (!value) return FALSE;
    *eax = value->low;
    *edx = value->high;
    return TRUE;
}

// The board's chip as the Linux kernel's driver for it reads it, with the live
// source; within what our own library believes.
BOOL WINAPI VeltarBoardTemperature(LONG* milliCelsius) {
    if (!milliCelsius || !g_live) return FALSE;
    const auto milli = veltar::live::BoardTemperature(*g_live);
    if (!milli || *milli < -40000 || *milli > 125000) return FALSE;
    *milliCelsius = static_cast<LONG>(*milli);
    return TRUE;
}

// The memory modules' sensors as the Linux kernel's drivers read them, with
// the live source; within what our own library believes.
DWORD WINAPI VeltarMemoryTemperatures(VELTAR_MEMORY_SENSOR* sensors, DWORD capacity) {
    if (!sensors || !g_live) return 0;
    const auto limit = [](std::optional<std::int32_t> milli) {
        return milli && veltar::DeclaredLimit(*milli / 1000.0) ? *milli : LONG_MIN;
    };
    DWORD written = 0;
    for (const veltar::hardware::MemoryReading& sensor : veltar::live::MemorySensors(*g_live)) {
        if (written == capacity) break;
        if (sensor.milliCelsius < -40000 || sensor.milliCelsius > 125000) continue;
        sensors[written++] = {sensor.slot, sensor.milliCelsius, limit(sensor.warning), limit(sensor.critical)};
    }
    return written;
}

}  // extern "C"
