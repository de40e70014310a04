/* A kernel driver that stands in for the storage driver of physical drives
   under Wine: \\.\PhysicalDrive<n> for each drive that veltar-device-standins.exe
   put in the registry, made when the driver starts, each answering the two
   property queries that the report makes: the device's bus, and for an NVMe
   drive its temperature, fixed or read from a kernel file at every query. */
#include <ntifs.h>

#include "standins/devices/driver_support.h"
#include "standins/devices/standin_settings.h"

#define IOCTL_STORAGE_QUERY_PROPERTY_CODE 0x002D1400u
#define STORAGE_DEVICE_PROPERTY 0
#define STORAGE_DEVICE_TEMPERATURE_PROPERTY 52
#define BUS_TYPE_NVME 0x11
#define DESCRIPTOR_SIZE 40
#define INPUT_PATH_CHARS 300

typedef struct {
    VeltarStandinDrive drive;
    WCHAR input[INPUT_PATH_CHARS]; /* the NT path of a kernel file, for kDriveTemperatureFile */
} DriveExtension;

/* "<prefix><number>" into a counted string over the buffer. */
static void NameWithNumber(UNICODE_STRING* name, PWCHAR buffer, USHORT size, PCWSTR prefix, ULONG number) {
    WCHAR digits[12];
    int count = 0;
    name->Buffer = buffer;
    name->Length = 0;
    name->MaximumLength = size;
    RtlAppendUnicodeToString(name, prefix);
    do {
        digits[count++] = (WCHAR)(L'0' + number % 10);
        number /= 10;
    } while (number);
    while (count && name->Length + sizeof(WCHAR) <= name->MaximumLength) {
        buffer[name->Length / sizeof(WCHAR)] = digits[--count];
        name->Length += sizeof(WCHAR);
    }
}

/* Thousandths of a degree from a kernel file, as whole degrees, the half away from zero. */
static BOOLEAN ReadFileTemperature(PCWSTR path, LONG* celsius) {
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    LARGE_INTEGER start = {{0, 0}};
    HANDLE file;
    char text[24];
    ULONG length, i = 0;
    LONG milli = 0;
    BOOLEAN negative = FALSE, digits = FALSE;
    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwCreateFile(&file, GENERIC_READ | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                                 FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0)))
        return FALSE;
    if (!NT_SUCCESS(ZwReadFile(file, NULL, NULL, NULL, &io, text, sizeof text, &start, NULL))) {
        ZwClose(file);
        return FALSE;
    }
    ZwClose(file);
    length = (ULONG)io.Information;
    if (i < length && text[i] == '-') {
        negative = TRUE;
        ++i;
    }
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (milli > 100000000) return FALSE;
        milli = milli * 10 + (text[i] - '0');
        digits = TRUE;
    }
    if (!digits || (i < length && text[i] != '\n')) return FALSE;
    *celsius = (milli + 500) / 1000 * (negative ? -1 : 1);
    return *celsius >= -32768 && *celsius <= 32767;
}

static void PutLittle(UCHAR* bytes, ULONG value, int size) {
    int i;
    for (i = 0; i < size; ++i) bytes[i] = (UCHAR)(value >> (8 * i));
}

static NTSTATUS QueryProperty(const DriveExtension* drive, UCHAR* buffer, ULONG inputSize, ULONG outputSize,
                              ULONG_PTR* written) {
    ULONG property, queryType;
    LONG celsius;
    if (inputSize < 2 * sizeof(ULONG)) return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(&property, buffer, sizeof property);
    RtlCopyMemory(&queryType, buffer + sizeof property, sizeof queryType);
    if (queryType != 0) return STATUS_NOT_SUPPORTED; /* a standard query */
    if (property == STORAGE_DEVICE_PROPERTY) {
        if (outputSize < DESCRIPTOR_SIZE) return STATUS_BUFFER_TOO_SMALL;
        RtlZeroMemory(buffer, DESCRIPTOR_SIZE);
        PutLittle(buffer, DESCRIPTOR_SIZE, 4);     /* Version */
        PutLittle(buffer + 4, DESCRIPTOR_SIZE, 4); /* Size */
        PutLittle(buffer + 28, drive->drive.busType, 4);
        *written = DESCRIPTOR_SIZE;
        return STATUS_SUCCESS;
    }
    if (property != STORAGE_DEVICE_TEMPERATURE_PROPERTY || drive->drive.busType != BUS_TYPE_NVME)
        return STATUS_NOT_SUPPORTED;
    if (drive->drive.source == kDriveFixedTemperature) celsius = drive->drive.celsius;
    else if (drive->drive.source != kDriveTemperatureFile || !ReadFileTemperature(drive->input, &celsius))
        return STATUS_DEVICE_NOT_READY;
    if (outputSize < DESCRIPTOR_SIZE) return STATUS_BUFFER_TOO_SMALL;
    RtlZeroMemory(buffer, DESCRIPTOR_SIZE);
    PutLittle(buffer, DESCRIPTOR_SIZE, 4);      /* Version */
    PutLittle(buffer + 4, DESCRIPTOR_SIZE, 4);  /* Size */
    PutLittle(buffer + 8, (ULONG)drive->drive.critical, 2);
    PutLittle(buffer + 10, (ULONG)drive->drive.warning, 2);
    PutLittle(buffer + 12, 1, 2);               /* InfoCount */
    PutLittle(buffer + 26, (ULONG)celsius, 2);  /* the entry with Index 0: its Temperature */
    *written = DESCRIPTOR_SIZE;
    return STATUS_SUCCESS;
}

static NTSTATUS DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return CompleteRequest(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR written = 0;
    NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
    if (stack->Parameters.DeviceIoControl.IoControlCode == IOCTL_STORAGE_QUERY_PROPERTY_CODE && buffer)
        status = QueryProperty(device->DeviceExtension, buffer, stack->Parameters.DeviceIoControl.InputBufferLength,
                               stack->Parameters.DeviceIoControl.OutputBufferLength, &written);
    return CompleteRequest(irp, status, written);
}

static void DriverUnload(PDRIVER_OBJECT driver) {
    WCHAR buffer[48];
    UNICODE_STRING link;
    while (driver->DeviceObject) {
        PDEVICE_OBJECT device = driver->DeviceObject;
        NameWithNumber(&link, buffer, sizeof buffer, L"\\DosDevices\\PhysicalDrive",
                       ((DriveExtension*)device->DeviceExtension)->drive.number);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(device);
    }
}

/* The drive's device and its \\.\PhysicalDrive<n>; nothing where the number is
   taken already (Wine has a drive 0 of its own). */
static void MakeDrive(PDRIVER_OBJECT driver, const VeltarStandinDrive* drive) {
    WCHAR deviceBuffer[48], linkBuffer[48], inputName[16];
    UNICODE_STRING deviceName, linkName, inputValue;
    PDEVICE_OBJECT device;
    DriveExtension* extension;
    NameWithNumber(&deviceName, deviceBuffer, sizeof deviceBuffer, L"\\Device\\VeltarDrive", drive->number);
    NameWithNumber(&linkName, linkBuffer, sizeof linkBuffer, L"\\DosDevices\\PhysicalDrive", drive->number);
    if (!NT_SUCCESS(IoCreateDevice(driver, sizeof(DriveExtension), &deviceName, FILE_DEVICE_DISK, 0, FALSE, &device)))
        return;
    if (!NT_SUCCESS(IoCreateSymbolicLink(&linkName, &deviceName))) {
        IoDeleteDevice(device);
        return;
    }
    extension = device->DeviceExtension;
    RtlZeroMemory(extension, sizeof *extension);
    extension->drive = *drive;
    NameWithNumber(&inputValue, inputName, sizeof inputName, L"Input", drive->number);
    inputName[inputValue.Length / sizeof(WCHAR)] = 0;
    if (drive->source == kDriveTemperatureFile &&
        !ReadSettingValue(VELTAR_STORAGE_PARAMETERS, inputName, REG_SZ, extension->input,
                          sizeof extension->input - sizeof(WCHAR)))
        extension->drive.source = kDriveNoTemperature;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    VeltarStandinDrive drives[VELTAR_STANDIN_MAX_DRIVES];
    ULONG count, i;
    (void)registryPath;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;
    count = ReadSettingValue(VELTAR_STORAGE_PARAMETERS, L"Drives", REG_BINARY, drives, sizeof drives) /
            sizeof(VeltarStandinDrive);
    for (i = 0; i < count; ++i) MakeDrive(driver, &drives[i]);
    return STATUS_SUCCESS;
}
