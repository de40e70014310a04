#include "sensors/platform/win_storage_access.h"

#include <winioctl.h>

#include <string>

namespace veltar {
namespace {

// Room for any descriptor the two queries return.
constexpr DWORD kAnswerSize = 4096;

}  // namespace

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
