// WinRing0.dll for Windows users: the processor's thermal registers read
// through the PawnIO driver and the signed module beside the program, never
// through a driver of its own. Intel processors are read register by register;
// AMD ones have no such registers and are served from their control
// temperature, the same for every processor. On x64, with PawnIO's LpcIO module
// beside it, it also reads the mainboard's Super I/O chip, and with its SmbusI801
// or SmbusPIIX4 module the memory modules' sensors.
#include <windows.h>

#include <climits>
#include <memory>
#include <optional>
#include <string>

#include "base/scoped_win.h"
#include "hardware/bus_mutex.h"
#include "hardware/lpc_module.h"
#include "hardware/memory_modules.h"
#include "hardware/pawnio_calls.h"
#include "hardware/pawnio_device.h"
#include "hardware/processor_models.h"
#include "hardware/smbus_module.h"
#include "hardware/status_text.h"
#include "hardware/thermal_registers.h"
#include "sensors/platform/winring0.h"

namespace {

using namespace veltar::hardware;

// The board's chip, on a PawnIO handle of its own: one module a handle.
struct Board {
    veltar::ScopedHandle device;
    NamedBusMutex mutex{kIsaBusMutexName};
    BoardChip chip;
};

// The memory modules' sensors, on a PawnIO handle of their own.
struct Memory {
    veltar::ScopedHandle device;
    NamedBusMutex mutex{kSmbusMutexName};
    bool selectsPort = false;
    std::vector<MemoryModule> modules;
};

struct Session {
    veltar::ScopedHandle device;
    Vendor vendor = Vendor::Intel;
    // AMD only: other programs that reach the system-management network hold it around each access.
    std::unique_ptr<NamedBusMutex> pciMutex;
    std::int64_t tctlOffset = 0;    // AMD only: how far Tctl runs above the die, in °C
    std::unique_ptr<Board> board;   // x64, with LpcIO.bin and a chip found
    std::unique_ptr<Memory> memory;  // x64, with an SMBus module and a module found
};

// From InitializeOls to DeinitializeOls.
std::optional<Session> g_session;
// Why the last InitializeOls failed; empty after one that succeeded.
std::u16string g_status;

// The processor's brand string, as Windows records it at start; empty when it cannot be read.
std::u16string ProcessorName() {
    constexpr wchar_t kKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, L"ProcessorNameString", RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size < sizeof(wchar_t))
        return {};
    std::u16string name(size / sizeof(wchar_t), u'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, L"ProcessorNameString", RRF_RT_REG_SZ, nullptr, name.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    name.resize(name.find(u'\0'));
    return name;
}

std::optional<std::uint32_t> ReadSmn(const Session& session, std::uint32_t address) {
    if (!session.pciMutex) return std::nullopt;
    const Held held(*session.pciMutex);
    if (!held) return std::nullopt;
    const std::optional<std::uint64_t> value = CallModule(session.device.get(), "ioctl_read_smn", address);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<std::uint64_t> ReadRegister(const Session& session, DWORD index) {
    if (session.vendor == Vendor::Intel) return CallModule(session.device.get(), "ioctl_read_msr", index);
    return AmdRegister(index, session.tctlOffset, [&](std::uint32_t address) { return ReadSmn(session, address); });
}

#if defined(_WIN64)
// The chip on the first slot, looked at once: where LpcIO.bin lies beside the
// library and PawnIO takes it.
std::unique_ptr<Board> FindBoard(const std::wstring& folder) {
    const auto module = ReadWholeFile(folder + L"LpcIO.bin");
    if (!module) return nullptr;
    DeviceOpening opening = OpenPawnIo();
    if (!opening.device || !LoadModule(opening.device.get(), *module)) return nullptr;
    auto board = std::make_unique<Board>();
    board->device = std::move(opening.device);
    PawnIoLpcPorts ports(board->device.get());
    const std::optional<BoardChip> chip = FindBoardChip(ports, board->mutex);
    if (!chip) return nullptr;
    board->chip = *chip;
    return board;
}

// The modules' sensors, looked at once: through the first SMBus module beside
// the library that PawnIO takes for this chipset.
std::unique_ptr<Memory> FindMemory(const std::wstring& folder) {
    for (const SmbusModuleFile& file : kSmbusModuleFiles) {
        const auto module = ReadWholeFile(folder + file.name);
        if (!module) continue;
        DeviceOpening opening = OpenPawnIo();
        if (!opening.device) return nullptr;
        if (!LoadModule(opening.device.get(), *module)) continue;
        auto memory = std::make_unique<Memory>();
        memory->device = std::move(opening.device);
        memory->selectsPort = file.selectsPort;
        PawnIoSmbusPorts ports(memory->device.get());
        memory->modules = FindMemoryModules(ports, memory->mutex, memory->selectsPort);
        if (memory->modules.empty()) return nullptr;
        return memory;
    }
    return nullptr;
}
#endif

BOOL Fail(std::u16string reason) {
    g_status = std::move(reason);
    return FALSE;
}

}  // namespace

extern "C" {

BOOL WINAPI InitializeOls() {
    if (g_session) return TRUE;
    DeviceOpening opening = OpenPawnIo();
    if (!opening.device) return Fail(DeviceOpenFailure(opening.error));
    const std::wstring folder = LibraryFolder();
    const ModuleChoice choice = ChooseModule([&](const ModuleFile& module) {
        const auto bytes = ReadWholeFile(folder + reinterpret_cast<const wchar_t*>(module.name));
        if (!bytes) return ModuleLoad::Missing;
        return LoadModule(opening.device.get(), *bytes) ? ModuleLoad::Loaded : ModuleLoad::Refused;
    });
    if (!choice.vendor) return Fail(choice.anyFound ? NoModuleAccepted() : ModulesMissing());
    Session session{std::move(opening.device), *choice.vendor, nullptr, 0, nullptr, nullptr};
    if (session.vendor == Vendor::Amd) {
        session.pciMutex = std::make_unique<NamedBusMutex>(kPciMutexName);
        session.tctlOffset = TctlOffset(ProcessorName());
    }
#if defined(_WIN64)
    session.board = FindBoard(folder);
    session.memory = FindMemory(folder);
#endif
    g_session = std::move(session);
    g_status.clear();
    return TRUE;
}

VOID WINAPI DeinitializeOls() { g_session.reset(); }

BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx) {
    if (!eax || !edx) return FALSE;
    *eax = 0;
    *edx = 0;
    if (!g_session) return FALSE;
    const std::optional<std::uint64_t> value = ReadRegister(*g_session, index);
    if (!value) return FALSE;
    *eax = static_cast<DWORD>(*value);
    *edx = static_cast<DWORD>(*value >> 32);
    return TRUE;
}

const wchar_t* WINAPI VeltarHardwareStatus() { return reinterpret_cast<const wchar_t*>(g_status.c_str()); }

#if defined(_WIN64)
BOOL WINAPI VeltarBoardTemperature(LONG* milliCelsius) {
    if (!milliCelsius || !g_session || !g_session->board) return FALSE;
    Board& board = *g_session->board;
    PawnIoLpcPorts ports(board.device.get());
    const std::optional<std::int32_t> value = ReadBoardTemperature(ports, board.mutex, board.chip);
    if (!value) return FALSE;
    *milliCelsius = *value;
    return TRUE;
}

DWORD WINAPI VeltarMemoryTemperatures(VELTAR_MEMORY_SENSOR* sensors, DWORD capacity) {
    if (!sensors || capacity == 0 || !g_session || !g_session->memory) return 0;
    Memory& memory = *g_session->memory;
    PawnIoSmbusPorts ports(memory.device.get());
    DWORD written = 0;
    for (const MemoryReading& reading : ReadMemoryTemperatures(ports, memory.mutex, memory.selectsPort, memory.modules)) {
        if (written == capacity) break;
        sensors[written++] = {reading.slot, reading.milliCelsius, reading.warning.value_or(LONG_MIN),
                              reading.critical.value_or(LONG_MIN)};
    }
    return written;
}
#endif

}  // extern "C"
