#include "history/platform/win_history_file.h"

#include <knownfolders.h>
#include <shlobj.h>

#include "base/windows_error.h"

namespace veltar {
namespace {

std::unique_ptr<WinHistoryFile> Opened(HANDLE file, DWORD* error) {
    if (file != INVALID_HANDLE_VALUE) return std::make_unique<WinHistoryFile>(file);
    *error = GetLastError();
    return nullptr;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// Transfers in pieces a DWORD can count, each at its offset, until all is done
// or a call fails.
constexpr std::size_t kLargestTransfer = 1u << 24;

template <typename Byte, typename Call>
bool Transfer(std::uint64_t offset, std::span<Byte> bytes, Call call) {
    while (!bytes.empty()) {
        OVERLAPPED at = At(offset);
        const DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), kLargestTransfer));
        DWORD done = 0;
        if (!call(bytes.data(), wanted, &done, &at) || done == 0) return false;
        bytes = bytes.subspan(done);
        offset += done;
    }
    return true;
}

}  // namespace

std::unique_ptr<WinHistoryFile> WinHistoryFile::OpenForWriting(const std::wstring& path, DWORD* error) {
    return Opened(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

std::unique_ptr<WinHistoryFile> WinHistoryFile::OpenForReading(const std::wstring& path, DWORD* error) {
    return Opened(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

std::uint64_t WinHistoryFile::Size() {
    LARGE_INTEGER size{};
    return GetFileSizeEx(m_file.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

bool WinHistoryFile::Resize(std::uint64_t size) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(m_file.get(), to, nullptr, FILE_BEGIN) && SetEndOfFile(m_file.get());
}

bool WinHistoryFile::Read(std::uint64_t offset, std::span<std::byte> bytes) {
    return Transfer(offset, bytes, [this](std::byte* at, DWORD wanted, DWORD* done, OVERLAPPED* where) {
        return ReadFile(m_file.get(), at, wanted, done, where);
    });
}

bool WinHistoryFile::Write(std::uint64_t offset, std::span<const std::byte> bytes) {
    return Transfer(offset, bytes, [this](const std::byte* at, DWORD wanted, DWORD* done, OVERLAPPED* where) {
        return WriteFile(m_file.get(), at, wanted, done, where);
    });
}

bool WinHistoryFile::Flush() { return FlushFileBuffers(m_file.get()); }

std::optional<std::u16string> ReadWholeHistory(const std::wstring& path, HistorySink& sink) {
    const std::u16string name(path.begin(), path.end());
    DWORD error = ERROR_SUCCESS;
    const auto file = WinHistoryFile::OpenForReading(path, &error);
    if (!file) return u"no history could be opened at " + name + u": " + Win32ErrorText(error);
    switch (HistoryReader().Update(*file, sink)) {
        case HistoryRead::NotHistory: return name + u" is not a Veltar history.";
        case HistoryRead::Unreadable: return name + u" could not be read.";
        default: return std::nullopt;
    }
}

std::wstring DefaultHistoryPath() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\Veltar\\history.dat";
    CoTaskMemFree(folder);
    return path;
}

// 100-nanosecond intervals from 1601 to 1970.
constexpr std::int64_t kEpochTicks = 116444736000000000;

std::int64_t MsOf(const FILETIME& file) {
    const std::int64_t ticks = static_cast<std::int64_t>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
    return (ticks - kEpochTicks) / 10000;
}

std::int64_t UtcNowMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return MsOf(now);
}

std::int64_t LocalMsOf(std::int64_t utcMs) {
    const auto ticks = static_cast<std::uint64_t>(utcMs * 10000 + kEpochTicks);
    const FILETIME utcFile{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    FILETIME localFile{};
    if (!FileTimeToSystemTime(&utcFile, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localFile))
        return utcMs;
    return MsOf(localFile);
}

}  // namespace veltar
