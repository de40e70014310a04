#include "standins/live/win_sensor_tree.h"

#include <windows.h>

namespace veltar::live {
namespace {

constexpr DWORD kLargestFile = 1 << 16;  // sensor files hold a line or two

// A handle opened for reading, closed with the object.
class ReadHandle {
public:
    explicit ReadHandle(const std::wstring& path)
        : m_handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    ~ReadHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

std::wstring RootFromEnvironment() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"VELTAR_SYSFS_ROOT", value, MAX_PATH);
    std::wstring root = length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring(L"Z:\\");
    if (root.back() != L'\\') root += L'\\';
    return root;
}

}  // namespace

WinSensorTree::WinSensorTree() : m_root(RootFromEnvironment()) {}

std::wstring WinSensorTree::WindowsPath(std::string_view relative) const {
    std::wstring path = m_root;
    for (char c : relative) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

std::optional<std::string> WinSensorTree::Read(std::string_view path) const {
    const ReadHandle file(WindowsPath(path));
    if (!file.IsOpen()) return std::nullopt;
    std::string content(kLargestFile, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), kLargestFile, &read, nullptr)) return std::nullopt;
    content.resize(read);
    return content;
}

std::optional<std::vector<std::uint8_t>> WinSensorTree::ReadAt(std::string_view path, std::uint64_t offset,
                                                              std::size_t count) const {
    const ReadHandle file(WindowsPath(path));
    if (!file.IsOpen()) return std::nullopt;
    std::vector<std::uint8_t> bytes(count);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(count), &read, &at) || read != count)
        return std::nullopt;
    return bytes;
}

std::vector<std::string> WinSensorTree::List(std::string_view folder) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((WindowsPath(folder) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        names.emplace_back(name.begin(), name.end());  // kernel names are ASCII
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

}  // namespace veltar::live
