// veltar-pawnio-standin: tells the stand-in PawnIO device what to play.
//   serve    the processor and registers of the fixture that VELTAR_SENSORS
//            names: AMD where it gives smn lines, else Intel where it gives msr
//            lines, else a processor that no module is for
//   absent   no device, as where PawnIO is not installed, from the next Wine
//            session on
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "standins/fixture/fixture_file.h"
#include "standins/pawnio/standin_config.h"

namespace {

// The processors a fixture line for all of them is written out for: as many
// as the x64 build can list.
constexpr std::uint32_t kProcessors = 64;

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

bool SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool SetTable(HKEY key, const wchar_t* name, const std::vector<VeltarStandinRegister>& table) {
    if (table.size() > VELTAR_STANDIN_MAX_REGISTERS) return false;
    return RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(table.data()),
                          static_cast<DWORD>(table.size() * sizeof(VeltarStandinRegister))) == ERROR_SUCCESS;
}

int Usage() {
    std::fputs("usage: veltar-pawnio-standin serve|absent\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Usage();
    DWORD present = TRUE;
    std::optional<veltar::SensorFixture> fixture;
    if (std::strcmp(argv[1], "absent") == 0) {
        present = FALSE;
    } else if (std::strcmp(argv[1], "serve") == 0) {
        fixture = veltar::LoadFixtureFromEnvironment();
        if (!fixture) return 1;
    } else {
        return Usage();
    }
    const DWORD vendor = !fixture                        ? kStandinNoVendor
                         : !fixture->smnRegisters.empty() ? kStandinAmd
                         : !fixture->registers.empty()    ? kStandinIntel
                                                          : kStandinNoVendor;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, VELTAR_PAWNIO_PARAMETERS, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fputs("veltar-pawnio-standin: the stand-in's registry key could not be written\n", stderr);
        return 1;
    }
    const bool written = SetNumber(key, L"Present", present) && SetNumber(key, L"Vendor", vendor) &&
                         SetTable(key, L"Msr", fixture ? MsrTable(*fixture) : std::vector<VeltarStandinRegister>{}) &&
                         SetTable(key, L"Smn", fixture ? SmnTable(*fixture) : std::vector<VeltarStandinRegister>{});
    RegCloseKey(key);
    if (!written) {
        std::fputs("veltar-pawnio-standin: the stand-in's settings could not be written\n", stderr);
        return 1;
    }
    return 0;
}
