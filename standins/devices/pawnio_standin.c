/* A kernel driver that stands in for PawnIO under Wine: the device
   \Device\PawnIO with its two control codes, one module per open handle, and
   registers served from what veltar-device-standins.exe put in the registry;
   with the LpcIO module, the Super I/O chip the registry describes, and with
   the SMBus modules, its memory modules' sensors.
   Wine opens a device whatever its create handler answers, so whether there
   is a device at all is settled when the driver starts, with each new Wine
   session. */
#include <ntifs.h>

#include "standins/devices/driver_support.h"
#include "standins/devices/pawnio_functions.h"
#include "standins/devices/smbus_standin.h"
#include "standins/devices/standin_settings.h"

/* What the kernel headers do not declare. */
NTSYSAPI NTSTATUS NTAPI ZwQueryInformationThread(HANDLE thread, THREADINFOCLASS informationClass, PVOID information,
                                                 ULONG length, PULONG returned);
typedef struct {
    NTSTATUS ExitStatus;
    PVOID TebBaseAddress;
    CLIENT_ID ClientId;
    KAFFINITY AffinityMask;
    KPRIORITY Priority;
    KPRIORITY BasePriority;
} VeltarThreadBasicInformation;
#ifndef THREAD_QUERY_INFORMATION
#define THREAD_QUERY_INFORMATION 0x0040
#endif

#define IOCTL_PAWNIO_LOAD_BINARY 0xA1B22084u
#define IOCTL_PAWNIO_EXECUTE_FN 0xA1B22104u
#define POOL_TAG 0x6e775056u /* "VPwn" */

/* The Super I/O chip LpcIO plays, read when the module is loaded, and its
   state, which like a real chip's is the machine's, not a handle's. */
static struct {
    BOOLEAN present;
    VeltarStandinChip chip;
    ULONG slot;
    BOOLEAN configuration;
    UCHAR key[4];
    UCHAR configIndex;
    UCHAR device;
    BOOLEAN barsFound;
    UCHAR index;
    UCHAR bank;    /* Nuvoton: register 0x4E */
    UCHAR iteBank; /* ITE: bits 7:5 of register 0x06 */
} g_lpc;

static UNICODE_STRING g_deviceName = RTL_CONSTANT_STRING(L"\\Device\\PawnIO");
static UNICODE_STRING g_linkName = RTL_CONSTANT_STRING(L"\\DosDevices\\PawnIO");
static BOOLEAN g_present;

static ULONG ReadSetting(PCWSTR name, ULONG fallback) {
    return ReadSettingNumber(VELTAR_PAWNIO_PARAMETERS, name, fallback);
}

/* Looks the register up in the REG_BINARY table of that name. */
static BOOLEAN FindRegister(PCWSTR table, ULONG processor, ULONG address, ULONG64* value) {
    const ULONG size = VELTAR_STANDIN_MAX_REGISTERS * sizeof(VeltarStandinRegister);
    VeltarStandinRegister* registers = ExAllocatePoolWithTag(PagedPool, size, POOL_TAG);
    ULONG count, i;
    BOOLEAN found = FALSE;
    if (!registers) return FALSE;
    count = ReadSettingValue(VELTAR_PAWNIO_PARAMETERS, table, REG_BINARY, registers, size) /
            sizeof(VeltarStandinRegister);
    for (i = 0; i < count && !found; ++i) {
        if (registers[i].processor == processor && registers[i].address == address) {
            *value = registers[i].value;
            found = TRUE;
        }
    }
    ExFreePoolWithTag(registers, POOL_TAG);
    return found;
}

/* The processor the calling thread is pinned to: the lowest in its affinity
   mask. The handler runs on a thread of the host, so it asks the caller's. */
static ULONG CallerProcessor(void) {
    CLIENT_ID client = {NULL, PsGetCurrentThreadId()};
    OBJECT_ATTRIBUTES attributes;
    VeltarThreadBasicInformation basic;
    HANDLE thread;
    ULONG processor = 0;
    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenThread(&thread, THREAD_QUERY_INFORMATION, &attributes, &client))) return 0;
    if (NT_SUCCESS(ZwQueryInformationThread(thread, ThreadBasicInformation, &basic, sizeof basic, NULL)) &&
        basic.AffinityMask != 0) {
        while (!(basic.AffinityMask & ((KAFFINITY)1 << processor))) ++processor;
    }
    ZwClose(thread);
    return processor;
}

static BOOLEAN StartsWith(const UCHAR* data, ULONG size, const char* text) {
    ULONG i;
    for (i = 0; text[i]; ++i)
        if (i >= size || data[i] != (UCHAR)text[i]) return FALSE;
    return TRUE;
}

static NTSTATUS LoadModule(PFILE_OBJECT file, const UCHAR* blob, ULONG size) {
    ULONG module, vendor;
    if (file->FsContext) return STATUS_INVALID_DEVICE_STATE; /* one module a handle */
    if (StartsWith(blob, size, VELTAR_STANDIN_INTEL_MODULE)) module = kStandinIntel;
    else if (StartsWith(blob, size, VELTAR_STANDIN_AMD_MODULE)) module = kStandinAmd;
    else if (StartsWith(blob, size, VELTAR_STANDIN_LPC_MODULE)) module = kStandinLpc;
    else if (StartsWith(blob, size, VELTAR_STANDIN_SMBUS_I801_MODULE)) module = kStandinSmbusI801;
    else if (StartsWith(blob, size, VELTAR_STANDIN_SMBUS_PIIX4_MODULE)) module = kStandinSmbusPiix4;
    else return STATUS_INVALID_IMAGE_HASH;
    if (module == kStandinSmbusI801 || module == kStandinSmbusPiix4) {
        /* The chipset's controller is the processor's maker's. */
        vendor = ReadSetting(L"Vendor", kStandinNoVendor);
        if (vendor != (module == kStandinSmbusI801 ? kStandinIntel : kStandinAmd)) return STATUS_NOT_SUPPORTED;
        LoadMemoryModules();
    } else if (module == kStandinLpc) {
        RtlZeroMemory(&g_lpc, sizeof g_lpc);
        g_lpc.present = ReadSettingValue(VELTAR_PAWNIO_PARAMETERS, L"Chip", REG_BINARY, &g_lpc.chip,
                                         sizeof g_lpc.chip) == sizeof g_lpc.chip;
    } else {
        vendor = ReadSetting(L"Vendor", kStandinNoVendor);
        if (module != vendor) return STATUS_NOT_SUPPORTED; /* not for this processor */
    }
    file->FsContext = (PVOID)(ULONG_PTR)module;
    return STATUS_SUCCESS;
}

/* The chip: Nuvoton or ITE by its id, the hardware monitor's logical device and ports. */
static BOOLEAN IsIte(void) { return (g_lpc.chip.id >> 12) == 0x8; }
static UCHAR MonitorDevice(void) { return IsIte() ? 0x04 : 0x0B; }
static ULONG MonitorBase(void) { return g_lpc.chip.base & ~7u; }
static BOOLEAN OnFirstSlot(void) { return g_lpc.present && g_lpc.slot == 0; }

static UCHAR ConfigRead(UCHAR reg) {
    if (!OnFirstSlot() || !g_lpc.configuration) return 0xFF;
    switch (reg) {
        case 0x07: return g_lpc.device;
        case 0x20: return (UCHAR)(g_lpc.chip.id >> 8);
        case 0x21: return (UCHAR)g_lpc.chip.id;
        case 0x30: return g_lpc.device == MonitorDevice() ? (UCHAR)g_lpc.chip.active : 0;
        case 0x60: return g_lpc.device == MonitorDevice() ? (UCHAR)(g_lpc.chip.base >> 8) : 0;
        case 0x61: return g_lpc.device == MonitorDevice() ? (UCHAR)g_lpc.chip.base : 0;
        default: return 0;
    }
}

static void ConfigWrite(UCHAR reg, UCHAR value) {
    if (!OnFirstSlot() || !g_lpc.configuration) return;
    if (reg == 0x07) g_lpc.device = value;
    if (reg == 0x02 && IsIte() && (value & 0x02)) g_lpc.configuration = FALSE;
}

/* A byte to the register port: a key's next byte, Nuvoton's 0xAA, or the next register. */
static void RegisterPortWrite(UCHAR value) {
    static const UCHAR nuvoton[2] = {0x87, 0x87}, ite[4] = {0x87, 0x01, 0x55, 0x55};
    if (!OnFirstSlot()) return;
    if (g_lpc.configuration) {
        if (!IsIte() && value == 0xAA) g_lpc.configuration = FALSE;
        else g_lpc.configIndex = value;
        return;
    }
    RtlMoveMemory(g_lpc.key, g_lpc.key + 1, 3);
    g_lpc.key[3] = value;
    if (IsIte() ? RtlCompareMemory(g_lpc.key, ite, 4) == 4 : RtlCompareMemory(g_lpc.key + 2, nuvoton, 2) == 2)
        g_lpc.configuration = TRUE;
}

static UCHAR MonitorRead(void) {
    if (!IsIte()) return g_lpc.index == 0x4E ? g_lpc.bank
                         : g_lpc.bank == 4 && g_lpc.index == 0x90 ? (UCHAR)g_lpc.chip.celsius : 0;
    if (g_lpc.index == 0x06) return (UCHAR)(g_lpc.iteBank | 0x05);
    return g_lpc.index == 0x29 && g_lpc.iteBank == 0 ? (UCHAR)g_lpc.chip.celsius : 0x33;
}

static void MonitorWrite(UCHAR value) {
    if (!IsIte() && g_lpc.index == 0x4E) g_lpc.bank = value;
    if (IsIte() && g_lpc.index == 0x06) g_lpc.iteBank = (UCHAR)(value & 0xE0);
}

/* The ports LpcIO lets a caller touch: the slot's two, 0x25C/0x25D, and those
   within 8 of a base that find_bars found. */
static BOOLEAN PortAllowed(ULONG64 port) {
    const ULONG first = g_lpc.slot == 0 ? 0x2E : 0x4E;
    if (port == first || port == first + 1 || port == 0x25C || port == 0x25D) return TRUE;
    return g_lpc.barsFound && port >= MonitorBase() && port < MonitorBase() + 8;
}

/* LpcIO's functions: the arguments and values counted exactly, as PawnIO counts them. */
static NTSTATUS ExecuteLpc(const UCHAR* name, const ULONG64* arguments, ULONG count, ULONG values, ULONG64* value) {
    if (NameIs(name, "ioctl_select_slot") && count == 1 && values == 0 && arguments[0] <= 1) {
        RtlZeroMemory(g_lpc.key, sizeof g_lpc.key);
        g_lpc.slot = (ULONG)arguments[0];
        g_lpc.barsFound = FALSE;
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_find_bars") && count == 0 && values == 0) {
        if (!OnFirstSlot() || !g_lpc.configuration) return STATUS_NOT_FOUND;
        g_lpc.barsFound = TRUE;
        g_lpc.device = 0; /* it leaves some other device selected */
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_superio_inb") && count == 1 && values == 1) {
        *value = ConfigRead((UCHAR)arguments[0]);
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_superio_outb") && count == 2 && values == 0) {
        ConfigWrite((UCHAR)arguments[0], (UCHAR)arguments[1]);
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_pio_outb") && count == 2 && values == 0) {
        const ULONG64 port = arguments[0];
        if (!PortAllowed(port)) return STATUS_ACCESS_DENIED;
        if (port == 0x2E) RegisterPortWrite((UCHAR)arguments[1]);
        else if (port == 0x2F) ConfigWrite(g_lpc.configIndex, (UCHAR)arguments[1]);
        else if (port == MonitorBase() + 5) g_lpc.index = (UCHAR)arguments[1];
        else if (port == MonitorBase() + 6) MonitorWrite((UCHAR)arguments[1]);
        return STATUS_SUCCESS;
    }
    if (NameIs(name, "ioctl_pio_inb") && count == 1 && values == 1) {
        const ULONG64 port = arguments[0];
        if (!PortAllowed(port)) return STATUS_ACCESS_DENIED;
        *value = port == 0x2F ? ConfigRead(g_lpc.configIndex)
                 : port == MonitorBase() + 5 ? g_lpc.index
                 : port == MonitorBase() + 6 ? MonitorRead()
                                             : 0xFF;
        return STATUS_SUCCESS;
    }
    return STATUS_INVALID_PARAMETER;
}

/* Runs a function of the handle's module: for the processors' modules one
   argument in, one value out. */
static NTSTATUS Execute(PFILE_OBJECT file, UCHAR* buffer, ULONG inputSize, ULONG outputSize, ULONG_PTR* written) {
    const ULONG module = (ULONG)(ULONG_PTR)file->FsContext;
    ULONG64 argument, value = 0, arguments[2];
    if (module == kStandinSmbusI801 || module == kStandinSmbusPiix4)
        return ExecuteSmbus(module, buffer, inputSize, outputSize, written);
    if (module == kStandinLpc) {
        const ULONG count = inputSize >= FUNCTION_NAME_SIZE ? (inputSize - FUNCTION_NAME_SIZE) / sizeof(ULONG64) : 3;
        NTSTATUS status;
        if (count > 2 || (inputSize - FUNCTION_NAME_SIZE) % sizeof(ULONG64) || outputSize % sizeof(ULONG64))
            return STATUS_INVALID_PARAMETER;
        RtlCopyMemory(arguments, buffer + FUNCTION_NAME_SIZE, count * sizeof(ULONG64));
        status = ExecuteLpc(buffer, arguments, count, outputSize / sizeof(ULONG64), &value);
        if (NT_SUCCESS(status) && outputSize) {
            RtlCopyMemory(buffer, &value, sizeof value);
            *written = sizeof value;
        }
        return status;
    }
    if (inputSize != FUNCTION_NAME_SIZE + sizeof(ULONG64)) return STATUS_INVALID_PARAMETER;
    if (outputSize < sizeof(ULONG64)) return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&argument, buffer + FUNCTION_NAME_SIZE, sizeof argument);
    if (module == kStandinIntel && NameIs(buffer, "ioctl_read_msr")) {
        if (argument > 0xFFFFFFFFull || !FindRegister(L"Msr", CallerProcessor(), (ULONG)argument, &value))
            return STATUS_INVALID_PARAMETER;
    } else if (module == kStandinAmd && NameIs(buffer, "ioctl_read_smn")) {
        if (argument > 0xFFFFFFFFull || !FindRegister(L"Smn", 0, (ULONG)argument, &value))
            return STATUS_INVALID_PARAMETER;
        value &= 0xFFFFFFFFull;
    } else {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(buffer, &value, sizeof value);
    *written = sizeof value;
    return STATUS_SUCCESS;
}

static NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    IoGetCurrentIrpStackLocation(irp)->FileObject->FsContext = NULL;
    return CompleteRequest(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return CompleteRequest(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inputSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outputSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR written = 0;
    NTSTATUS status;
    (void)device;
    if (code == IOCTL_PAWNIO_LOAD_BINARY)
        status = buffer ? LoadModule(stack->FileObject, buffer, inputSize) : STATUS_INVALID_PARAMETER;
    else if (code == IOCTL_PAWNIO_EXECUTE_FN)
        status = buffer ? Execute(stack->FileObject, buffer, inputSize, outputSize, &written)
                        : STATUS_INVALID_PARAMETER;
    else
        status = STATUS_INVALID_DEVICE_REQUEST;
    return CompleteRequest(irp, status, written);
}

static void DriverUnload(PDRIVER_OBJECT driver) {
    if (!g_present) return;
    IoDeleteSymbolicLink(&g_linkName);
    if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status;
    (void)registryPath;
    driver->DriverUnload = DriverUnload;
    if (ReadSetting(L"Present", TRUE) == FALSE) return STATUS_SUCCESS; /* no device, as without PawnIO */
    status = IoCreateDevice(driver, 0, &g_deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) return status;
    status = IoCreateSymbolicLink(&g_linkName, &g_deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    g_present = TRUE;
    device->Flags |= DO_BUFFERED_IO;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    return STATUS_SUCCESS;
}
