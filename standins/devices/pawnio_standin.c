/* A kernel driver that stands in for PawnIO under Wine: the device
   \Device\PawnIO with its two control codes, one module per open handle, and
   registers served from what veltar-device-standins.exe put in the registry.
   Wine opens a device whatever its create handler answers, so whether there
   is a device at all is settled when the driver starts, with each new Wine
   session. */
#include <ntifs.h>

#include "standins/devices/driver_support.h"
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
#define FUNCTION_NAME_SIZE 32
#define POOL_TAG 0x6e775056u /* "VPwn" */

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
    else return STATUS_INVALID_IMAGE_HASH;
    vendor = ReadSetting(L"Vendor", kStandinNoVendor);
    if (module != vendor) return STATUS_NOT_SUPPORTED; /* not for this processor */
    file->FsContext = (PVOID)(ULONG_PTR)module;
    return STATUS_SUCCESS;
}

static BOOLEAN NameIs(const UCHAR* name, const char* expected) {
    ULONG i;
    for (i = 0; i < FUNCTION_NAME_SIZE; ++i) {
        if (name[i] != (UCHAR)expected[i]) return FALSE;
        if (!expected[i]) return TRUE;
    }
    return FALSE;
}

/* Runs a function of the handle's module: one argument in, one value out. */
static NTSTATUS Execute(PFILE_OBJECT file, UCHAR* buffer, ULONG inputSize, ULONG outputSize, ULONG_PTR* written) {
    const ULONG module = (ULONG)(ULONG_PTR)file->FsContext;
    ULONG64 argument, value;
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
