// veltar-device-standins [--without-pawnio]: tells the stand-in devices what
// to play, from what VELTAR_SENSORS names.
//   a fixture  PawnIO plays an AMD processor where the fixture has smn lines,
//              else an Intel one where it has msr lines, else one that no
//              module is for, and serves those registers, and through LpcIO
//              the fixture's Super I/O chip, and through the SMBus modules its
//              memory modules; the storage driver makes the fixture's drives
//   live       the storage driver makes this machine's NVMe drives, from 1 in
//              the order of their names, and reads their temperatures from the
//              kernel at every query; PawnIO plays no processor
//   unset      no drives, and no processor
// --without-pawnio leaves out the PawnIO device, as where PawnIO is not
// installed. Which devices there are changes with the next Wine session.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sensors/storage_descriptors.h"
#include "standins/devices/standin_settings.h"
#include "standins/fixture/fixture_file.h"
#include "standins/live/live_sensors.h"
#include "standins/live/win_sensor_tree.h"

namespace {

// The processors a fixture line for all of them is written out for: as many
// as the x64 build can list.
constexpr std::uint32_t kProcessors = 64;
constexpr std::uint32_t kBusTypeSata = 0x0B;

std::vector<VeltarStandinRegister> MsrTable(const veltar::SensorFixture& fixture) {
    std::set<std::uint32_t> indices;
    for (const auto& r : fixture.registers) indices.insert(r.index);
    std::vector<VeltarStandinRegister> table;
    for (std::uint32_t cpu = 0; cpu < kProcessors; ++cpu)
        for (const std::uint32_t index : indices)
            if (const auto r = fixture.FindRegister(cpu, index))
                table.push_back({cpu, index, std::uint64_t{r->high} << 32 | r->low});
    return table;
}

std::vector<VeltarStandinRegister> SmnTable(const veltar::SensorFixture& fixture) {
    std::set<std::uint32_t> addresses;
    for (const auto& r : fixture.smnRegisters) addresses.insert(r.address);
    std::vector<VeltarStandinRegister> table;
    for (const std::uint32_t address : addresses) table.push_back({0, address, *fixture.FindSmn(address)});
    return table;
}

DWORD Vendor(const veltar::SensorFixture& fixture) {
    if (!fixture.smnRegisters.empty()) return kStandinAmd;
    if (!fixture.registers.empty()) return kStandinIntel;
    return kStandinNoVendor;
}

std::vector<VeltarStandinDrive> FixtureDrives(const veltar::SensorFixture& fixture) {
    std::vector<VeltarStandinDrive> drives;
    for (const veltar::FixtureDrive& drive : fixture.drives)
        drives.push_back({drive.number, drive.nvme ? veltar::kBusTypeNvme : kBusTypeSata, drive.celsius.value_or(0),
                          drive.celsius ? std::uint32_t{kDriveFixedTemperature} : std::uint32_t{kDriveNoTemperature},
                          drive.warning, drive.critical});
    return drives;
}

std::int32_t Milli(double celsius) { return static_cast<std::int32_t>(std::lround(celsius * 1000)); }

std::vector<VeltarStandinMemoryModule> MemoryModules(const veltar::SensorFixture& fixture) {
    std::vector<VeltarStandinMemoryModule> modules;
    for (const veltar::FixtureMemoryModule& module : fixture.memoryModules)
        modules.push_back({module.slot, module.ddr5 ? std::uint32_t{kStandinDdr5} : std::uint32_t{kStandinDdr4},
                           Milli(module.celsius.value_or(0)), Milli(module.warning), Milli(module.critical),
                           !module.celsius});
    return modules;
}

// An open key below HKEY_LOCAL_MACHINE, closed with the object.
class SettingsKey {
public:
    explicit SettingsKey(const wchar_t* path) {
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key, nullptr) !=
            ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~SettingsKey() {
        if (m_key) RegCloseKey(m_key);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    bool Set(const wchar_t* name, DWORD type, const void* data, std::size_t size) {
        return m_key && RegSetValueExW(m_key, name, 0, type, static_cast<const BYTE*>(data),
                                       static_cast<DWORD>(size)) == ERROR_SUCCESS;
    }
    bool SetNumber(const wchar_t* name, DWORD value) { return Set(name, REG_DWORD, &value, sizeof value); }
    template <typename Record>
    bool SetTable(const wchar_t* name, const std::vector<Record>& table) {
        return Set(name, REG_BINARY, table.data(), table.size() * sizeof(Record));
    }
    bool Remove(const wchar_t* name) {
        if (!m_key) return false;
        const LSTATUS status = RegDeleteValueW(m_key, name);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    bool SetText(const std::wstring& name, const std::wstring& text) {
        return Set(name.c_str(), REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }

private:
    HKEY m_key = nullptr;
};

bool WriteLiveDrives(SettingsKey& storage) {
    const veltar::live::WinSensorTree tree;
    std::vector<VeltarStandinDrive> drives;
    bool written = true;
    for (const veltar::live::Disk& disk : veltar::live::NvmeDrives(tree)) {
        // Drive 0 is Wine's own.
        const auto number = static_cast<std::uint32_t>(drives.size() + 1);
        if (number >= VELTAR_STANDIN_MAX_DRIVES) break;
        drives.push_back({number, veltar::kBusTypeNvme, 0, kDriveTemperatureFile, disk.warning.value_or(veltar::kLimitNotReported),
                          disk.critical.value_or(veltar::kLimitNotReported)});
        written = written && storage.SetText(L"Input" + std::to_wstring(number), L"\\??\\" + tree.WindowsPath(disk.input));
    }
    return written && storage.SetTable(L"Drives", drives);
}

// Nothing when the settings were written, else why not.
std::optional<const char*> WriteSettings(const veltar::SensorFixture& served, bool live, bool withPawnIo) {
    const std::vector<VeltarStandinRegister> msr = MsrTable(served);
    const std::vector<VeltarStandinRegister> smn = SmnTable(served);
    if (msr.size() > VELTAR_STANDIN_MAX_REGISTERS || smn.size() > VELTAR_STANDIN_MAX_REGISTERS)
        return "the fixture gives more registers than the stand-in holds";
    SettingsKey pawnIo(VELTAR_PAWNIO_PARAMETERS);
    SettingsKey storage(VELTAR_STORAGE_PARAMETERS);
    const bool chipWritten =
        served.chip ? pawnIo.SetTable(L"Chip", std::vector<VeltarStandinChip>{{served.chip->id, served.chip->active,
                                                                               served.chip->base, served.chip->celsius}})
                    : pawnIo.Remove(L"Chip");
    const bool written = pawnIo.SetNumber(L"Present", withPawnIo) && pawnIo.SetNumber(L"Vendor", Vendor(served)) &&
                         pawnIo.SetTable(L"Msr", msr) && pawnIo.SetTable(L"Smn", smn) && chipWritten &&
                         pawnIo.SetTable(L"Memory", MemoryModules(served)) &&
                         (live ? WriteLiveDrives(storage) : storage.SetTable(L"Drives", FixtureDrives(served)));
    if (!written) return "the stand-ins' settings could not be written to the registry";
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const bool withPawnIo = !(argc == 2 && std::strcmp(argv[1], "--without-pawnio") == 0);
    if (argc > 2 || (argc == 2 && withPawnIo)) {
        std::fputs("usage: veltar-device-standins [--without-pawnio]\n", stderr);
        return 2;
    }
    const bool live = veltar::LiveSourceSelected();
    char ignored[2];
    const bool named = GetEnvironmentVariableA("VELTAR_SENSORS", ignored, sizeof ignored) > 0;
    std::optional<veltar::SensorFixture> fixture;
    if (named && !live) {
        fixture = veltar::LoadFixtureFromEnvironment();
        if (!fixture) return 1;
    }
    if (const auto failure = WriteSettings(fixture.value_or(veltar::SensorFixture{}), live, withPawnIo)) {
        std::fprintf(stderr, "veltar-device-standins: %s\n", *failure);
        return 1;
    }
    return 0;
}
