// A gdi32.dll that answers the graphics kernel's adapter calls from the sensor
// fixture's gpu lines, or from the Linux kernel's graphics sensors with
// VELTAR_SENSORS=live, and forwards every other export to Wine's own gdi32,
// copied beside it as gdi32w.dll. Where VELTAR_GPU_HANDLES names a file, it
// holds the handles handed out and those closed so far, after every change.
#include <windows.h>

#include <cstdio>
#include <mutex>

#include "base/module_function.h"
#include "standins/fixture/fixture_file.h"
#include "standins/live/live_sensors.h"
#include "standins/live/win_sensor_tree.h"
#include "standins/memory/memory_graphics_kernel.h"

namespace {

std::mutex g_lock;
veltar::MemoryGraphicsKernel g_kernel;

// The adapters of this enumeration, read afresh as the fixture provider reads its classes.
std::vector<veltar::FixtureAdapter> CurrentAdapters() {
    if (veltar::LiveSourceSelected()) return veltar::live::GraphicsAdapters(veltar::live::WinSensorTree());
    auto fixture = veltar::LoadFixtureFromEnvironment();
    return fixture ? std::move(fixture->adapters) : std::vector<veltar::FixtureAdapter>{};
}

void RecordHandles() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"VELTAR_GPU_HANDLES", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    if (FILE* file = _wfopen(path, L"w")) {
        std::fprintf(file, "%llu %llu\n", static_cast<unsigned long long>(g_kernel.handedOut),
                     static_cast<unsigned long long>(g_kernel.closed));
        std::fclose(file);
    }
}

}  // namespace

extern "C" {

NTSTATUS APIENTRY D3DKMTEnumAdapters2(veltar::EnumAdapters2Argument* argument) {
    if (!argument) return veltar::kStatusInvalidParameter;
    const std::lock_guard lock(g_lock);
    if (!argument->pAdapters) g_kernel.SetAdapters(CurrentAdapters());
    const NTSTATUS status = g_kernel.EnumAdapters(&argument->NumAdapters, argument->pAdapters);
    if (argument->pAdapters) RecordHandles();
    return status;
}

// The perf data and its caps, each only into a record of its own size.
NTSTATUS APIENTRY D3DKMTQueryAdapterInfo(const veltar::QueryAdapterInfoArgument* argument) {
    if (!argument || !argument->pPrivateDriverData) return veltar::kStatusInvalidParameter;
    const std::lock_guard lock(g_lock);
    if (argument->Type == veltar::kAdapterPerfDataQuery &&
        argument->PrivateDriverDataSize == sizeof(veltar::AdapterPerfData))
        return g_kernel.QueryPerfData(argument->hAdapter,
                                      static_cast<veltar::AdapterPerfData*>(argument->pPrivateDriverData));
    if (argument->Type == veltar::kAdapterPerfDataCapsQuery &&
        argument->PrivateDriverDataSize == sizeof(veltar::AdapterPerfDataCaps))
        return g_kernel.QueryPerfDataCaps(argument->hAdapter,
                                          static_cast<veltar::AdapterPerfDataCaps*>(argument->pPrivateDriverData));
    return veltar::kStatusInvalidParameter;
}

// Adapters that Wine's own gdi32 opened are closed there.
NTSTATUS APIENTRY D3DKMTCloseAdapter(const veltar::CloseAdapterArgument* argument) {
    if (!argument) return veltar::kStatusInvalidParameter;
    {
        const std::lock_guard lock(g_lock);
        if (veltar::NtSuccess(g_kernel.CloseAdapter(argument->hAdapter))) {
            RecordHandles();
            return veltar::kStatusSuccess;
        }
    }
    using Close = NTSTATUS(APIENTRY*)(const veltar::CloseAdapterArgument*);
    const auto close = veltar::ModuleFunction<Close>(L"gdi32w.dll", "D3DKMTCloseAdapter");
    return close ? close(argument) : veltar::kStatusInvalidParameter;
}

// One load-time import from Wine's gdi32: a process that loads user32 after
// this library needs gdi32w attached already, not first through a forward.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) GetStockObject(NULL_BRUSH);
    return TRUE;
}

}  // extern "C"
