/* The stand-in PawnIO device's SMBus modules, SmbusI801 and SmbusPIIX4, with
   the memory modules the settings describe on their bus. */
#include "standins/devices/smbus_standin.h"

#include "standins/devices/driver_support.h"
#include "standins/devices/pawnio_functions.h"
#include "standins/devices/standin_settings.h"

/* The memory modules the SMBus modules play, read when one is loaded, and the
   port AMD's controller has selected: the machine's, not a handle's. */
static struct {
    ULONG count;
    VeltarStandinMemoryModule modules[VELTAR_STANDIN_MAX_MEMORY_MODULES];
    ULONG64 port;
} g_smbus;

#define SMBUS_RESULT_CELLS 5
#define SMBUS_TRANSFER_CELLS 9

void LoadMemoryModules(void) {
    RtlZeroMemory(&g_smbus, sizeof g_smbus);
    g_smbus.count = ReadSettingValue(VELTAR_PAWNIO_PARAMETERS, L"Memory", REG_BINARY, g_smbus.modules,
                                     sizeof g_smbus.modules) /
                    sizeof(VeltarStandinMemoryModule);
    g_smbus.port = 2;
}

/* A module's temperature or limit in its register's encoding: a DDR5 hub's
   quarter degrees in bits 12:2, a DDR4 sensor's sixteenths in bits 12:0. */
static USHORT Encoded(LONG milli, ULONG kind) {
    if (kind == kStandinDdr5) {
        const LONG quarters = (milli >= 0 ? milli + 125 : milli - 125) / 250;
        return (USHORT)((quarters & 0x7FF) << 2);
    } else {
        const LONG sixteenths = (milli * 2 + (milli >= 0 ? 62 : -62)) / 125;
        return (USHORT)(sixteenths & 0x1FFF);
    }
}

static const VeltarStandinMemoryModule* ModuleAt(ULONG64 address) {
    ULONG i;
    for (i = 0; i < g_smbus.count; ++i) {
        const VeltarStandinMemoryModule* m = &g_smbus.modules[i];
        if (address == (m->kind == kStandinDdr5 ? 0x50u : 0x18u) + m->slot) return m;
    }
    return NULL;
}

/* A DDR5 hub's register MR<reg>: its identity, a sensor present and enabled on
   page 0, the limits and the temperature. */
static NTSTATUS HubByte(const VeltarStandinMemoryModule* m, ULONG64 reg, UCHAR* byte) {
    USHORT word = 0;
    ULONG64 first = reg;
    if (m->fails && (reg == 49 || reg == 50)) return STATUS_IO_TIMEOUT;
    if (reg == 0 || reg == 1) word = 0x1851, first = 0;
    else if (reg == 5) word = 0x02;
    else if (reg == 28 || reg == 29) word = Encoded(m->warning, m->kind), first = 28;
    else if (reg == 32 || reg == 33) word = Encoded(m->critical, m->kind), first = 32;
    else if (reg == 49 || reg == 50) word = Encoded(m->milliCelsius, m->kind), first = 49;
    *byte = (UCHAR)(reg == first ? word : word >> 8);
    return STATUS_SUCCESS;
}

/* A DDR4 sensor's 16-bit register: the limits, the temperature and its ids. */
static NTSTATUS SensorRegister(const VeltarStandinMemoryModule* m, ULONG64 reg, USHORT* word) {
    if (m->fails && reg == 0x05) return STATUS_IO_TIMEOUT;
    *word = reg == 0x02 ? Encoded(m->warning, m->kind)
          : reg == 0x04 ? Encoded(m->critical, m->kind)
          : reg == 0x05 ? Encoded(m->milliCelsius, m->kind)
          : reg == 0x06 ? 0x1131
          : reg == 0x07 ? 0x2A00
                        : 0;
    return STATUS_SUCCESS;
}

/* A read of protocol byte-data or word-data on the bus, the word's first byte
   low (a DDR4 sensor sends its high byte first). Writes are refused here:
   Veltar never sends one. */
static NTSTATUS SmbusRead(ULONG module, const ULONG64* transfer, ULONG64* result) {
    const ULONG64 address = transfer[0], read = transfer[1], command = transfer[2], protocol = transfer[3];
    const VeltarStandinMemoryModule* m;
    NTSTATUS status;
    if (read != 1) return STATUS_ACCESS_DENIED;
    if (protocol != 2 && protocol != 3) return STATUS_NOT_SUPPORTED;
    if (module == kStandinSmbusPiix4 && g_smbus.port != 0) return STATUS_NO_SUCH_DEVICE;
    m = ModuleAt(address);
    if (!m) return STATUS_NO_SUCH_DEVICE;
    if (m->kind == kStandinDdr5) {
        UCHAR low = 0, high = 0;
        status = HubByte(m, command, &low);
        if (NT_SUCCESS(status) && protocol == 3) status = HubByte(m, command + 1, &high);
        result[0] = (ULONG64)low | (ULONG64)high << 8;
    } else {
        USHORT word = 0;
        status = SensorRegister(m, command, &word);
        result[0] = protocol == 2 ? (ULONG64)(word >> 8) : (ULONG64)(word >> 8) | (ULONG64)(word & 0xFF) << 8;
    }
    return status;
}

/* The SMBus modules' functions, their cells counted exactly. */
static NTSTATUS SmbusFunction(ULONG module, const UCHAR* name, const ULONG64* arguments, ULONG count, ULONG values,
                              ULONG64* result) {
    if (NameIs(name, "ioctl_identity") && count == 0 && values == 3) {
        result[0] = module == kStandinSmbusI801 ? 0x8086 : 0x1022;
        result[1] = module == kStandinSmbusI801 ? 0x7A23 : 0x790B;
        result[2] = module == kStandinSmbusI801 ? 0x11 : 0x71;
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_smbus_xfer") && count == SMBUS_TRANSFER_CELLS && values == SMBUS_RESULT_CELLS)
        return SmbusRead(module, arguments, result);
    if (module == kStandinSmbusPiix4 && NameIs(name, "ioctl_piix4_port_sel") && count == 1 && values == 1) {
        result[0] = g_smbus.port;
        if (arguments[0] != (ULONG64)-1) g_smbus.port = arguments[0];
        return STATUS_SUCCESS;
    }
    return STATUS_INVALID_PARAMETER;
}

NTSTATUS ExecuteSmbus(ULONG module, UCHAR* buffer, ULONG inputSize, ULONG outputSize, ULONG_PTR* written) {
    ULONG64 transfer[SMBUS_TRANSFER_CELLS], result[SMBUS_RESULT_CELLS] = {0};
    const ULONG count = inputSize >= FUNCTION_NAME_SIZE ? (inputSize - FUNCTION_NAME_SIZE) / sizeof(ULONG64)
                                                        : SMBUS_TRANSFER_CELLS + 1;
    const ULONG values = outputSize / sizeof(ULONG64);
    NTSTATUS status;
    if (count > SMBUS_TRANSFER_CELLS || (inputSize - FUNCTION_NAME_SIZE) % sizeof(ULONG64) ||
        outputSize % sizeof(ULONG64) || values > SMBUS_RESULT_CELLS)
        return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(transfer, buffer + FUNCTION_NAME_SIZE, count * sizeof(ULONG64));
    status = SmbusFunction(module, buffer, transfer, count, values, result);
    if (NT_SUCCESS(status)) {
        RtlCopyMemory(buffer, result, values * sizeof(ULONG64));
        *written = values * sizeof(ULONG64);
    }
    return status;
}
