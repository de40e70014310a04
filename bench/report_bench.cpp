// The report with in-memory seams: one mainboard object, four disks with 512
// SMART bytes each, two NVMe drives, 64 processors, two graphics adapters.
#include <benchmark/benchmark.h>

#include <string>

#include "standins/memory/memory_graphics_kernel.h"
#include "standins/memory/memory_hardware_access.h"
#include "standins/memory/memory_management_service.h"
#include "standins/memory/memory_storage_access.h"
#include "sensors/temperature_report.h"

namespace {

veltar::SensorFixture BenchFixture() {
    std::string text = "wmi root\\CIMV2 Win32_TemperatureProbe\nobject\nCurrentTemperature = VT_UI4 3010\n"
                       "wmi root\\WMI MSStorageDriver_ATAPISmartData\n";
    for (int disk = 0; disk < 4; ++disk) {
        text += "object\nActive = VT_BOOL true\nInstanceName = VT_BSTR IDE\\Disk" + std::to_string(disk) +
                "\nVendorSpecific = VT_ARRAY|VT_UI1 ";
        for (int i = 0; i < 512; ++i) {
            // Attribute records of 12 bytes; the temperature attribute 0xC2 near the end.
            int byte = (i * 37 + disk) % 256;
            if (i == 2 + 12 * 30) byte = 0xC2;
            if (i == 3 + 12 * 30) byte = 0x22;
            if (byte == 0xC2 && i != 2 + 12 * 30) byte = 0xC1;
            if (i) text += ',';
            text += std::to_string(byte);
        }
        text += "\n";
    }
    text += "drive 0 sata\ndrive 1 nvme 41\ndrive 3 nvme 38\n";
    text += "gpu 0x1d0f1 0 653 0\ngpu 0x1d0f2 0 0 0\n";
    text += "msr * 0x1A2 = 0x00640000\nmsr * 0x19C = 0x88370000\n";
    return std::get<veltar::SensorFixture>(veltar::ParseSensorFixture(text));
}

void BM_TemperatureReport(benchmark::State& state) {
    const veltar::SensorFixture fixture = BenchFixture();
    veltar::MemoryManagementService service(fixture);
    veltar::MemoryStorageAccess storage(fixture);
    veltar::MemoryHardwareAccess hardware(fixture, 64);
    veltar::MemoryGraphicsKernel graphics(fixture.adapters);
    veltar::WmiConnections connections(service);
    for (auto _ : state) {
        std::u16string report = veltar::GetTemperatureReport({connections, storage, hardware, graphics});
        benchmark::DoNotOptimize(report);
        service.queries.clear();
        storage.temperatureQueries.clear();
        hardware.reads.clear();
    }
}
BENCHMARK(BM_TemperatureReport)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
