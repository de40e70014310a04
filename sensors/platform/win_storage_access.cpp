#include "sensors/platform/win_storage_access.h"

#include <winioctl.h>

#include <algorithm>
#include <string>

#include "sensors/drive_names.h"

namespace veltar {
namespace {

// Room for any descriptor the two queries return.
constexpr DWORD kAnswerSize = 4096;
// The list of device names starts with this room and may grow to the last.
constexpr DWORD kFirstListSize = 16 * 1024;
constexpr DWORD kLargestListSize = 4 * 1024 * 1024;
constexpr std::uint32_t kEveryDrive = 0xFFFFFFFF;

}  // namespace

// One call lists every device name; opening each of the 32 drive names in turn
// would cost more than the rest of the report where opening a device is slow.
std::uint32_t WinStorageAccess::ListDrives() {
    for (DWORD size = std::max<DWORD>(kFirstListSize, static_cast<DWORD>(m_deviceNames.size())); size <= kLargestListSize;
         size *= 4) {
        m_deviceNames.resize(size);
        const DWORD length = QueryDosDeviceW(nullptr, reinterpret_cast<wchar_t*>(m_deviceNames.data()), size);
        if (length > 0) return PhysicalDriveBits(std::u16string_view(m_deviceNames).substr(0, length));
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return kEveryDrive;
}

bool WinStorageAccess::OpenDrive(std::uint32_t number) {
    m_drive.Reset();
    const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
    const HANDLE drive =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) return false;
    m_drive = ScopedHandle(drive);
    return true;
}

std::optional<std::vector<std::uint8_t>> WinStorageAccess::QueryProperty(std::uint32_t property) {
    if (!m_drive) return std::nullopt;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = static_cast<STORAGE_PROPERTY_ID>(property);
    query.QueryType = PropertyStandardQuery;
    std::vector<std::uint8_t> answer(kAnswerSize);
    DWORD returned = 0;
    if (!DeviceIoControl(m_drive.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, answer.data(),
                         kAnswerSize, &returned, nullptr))
        return std::nullopt;
    answer.resize(std::min<DWORD>(returned, kAnswerSize));
    return answer;
}

}  // namespace veltar
