#include "standins/devices/driver_support.h"

#define POOL_TAG 0x67655256u /* "VReg" */

static NTSTATUS OpenSettings(PCWSTR keyPath, PHANDLE key) {
    static const WCHAR machine[] = L"\\Registry\\Machine\\";
    WCHAR path[160];
    UNICODE_STRING name = {0, sizeof path, path};
    OBJECT_ATTRIBUTES attributes;
    RtlAppendUnicodeToString(&name, machine);
    if (!NT_SUCCESS(RtlAppendUnicodeToString(&name, keyPath))) return STATUS_NAME_TOO_LONG;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwOpenKey(key, KEY_READ, &attributes);
}

ULONG ReadSettingValue(PCWSTR keyPath, PCWSTR name, ULONG type, PVOID buffer, ULONG size) {
    const ULONG infoSize = sizeof(KEY_VALUE_PARTIAL_INFORMATION) + size;
    PKEY_VALUE_PARTIAL_INFORMATION info;
    UNICODE_STRING valueName;
    HANDLE key;
    ULONG length = 0, read = 0;
    if (!NT_SUCCESS(OpenSettings(keyPath, &key))) return 0;
    info = ExAllocatePoolWithTag(PagedPool, infoSize, POOL_TAG);
    RtlInitUnicodeString(&valueName, name);
    if (info && NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info, infoSize, &length)) &&
        info->Type == type && info->DataLength <= size) {
        RtlCopyMemory(buffer, info->Data, info->DataLength);
        read = info->DataLength;
    }
    if (info) ExFreePoolWithTag(info, POOL_TAG);
    ZwClose(key);
    return read;
}

ULONG ReadSettingNumber(PCWSTR keyPath, PCWSTR name, ULONG fallback) {
    ULONG value = 0;
    return ReadSettingValue(keyPath, name, REG_DWORD, &value, sizeof value) == sizeof value ? value : fallback;
}

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}
