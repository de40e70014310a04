#include "hardware/pawnio_device.h"

#include "base/module_folder.h"
#include "hardware/pawnio_calls.h"

namespace veltar::hardware {
namespace {

// No module comes near this size; a larger file is not one.
constexpr LONGLONG kLargestModule = 16 << 20;

// CreateFileW fails with INVALID_HANDLE_VALUE, which is no handle to close.
ScopedHandle OwnFile(HANDLE file) { return ScopedHandle(file == INVALID_HANDLE_VALUE ? nullptr : file); }

}  // namespace

DeviceOpening OpenPawnIo() {
    DeviceOpening opening;
    opening.device = OwnFile(CreateFileW(L"\\\\?\\GLOBALROOT\\Device\\PawnIO", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    if (!opening.device) opening.error = GetLastError();
    return opening;
}

bool LoadModule(HANDLE device, std::span<const std::uint8_t> module) {
    DWORD returned = 0;
    return DeviceIoControl(device, kLoadModuleCode, const_cast<std::uint8_t*>(module.data()),
                           static_cast<DWORD>(module.size()), nullptr, 0, &returned, nullptr);
}

std::optional<std::vector<std::uint64_t>> CallModule(HANDLE device, std::string_view function,
                                                     std::span<const std::uint64_t> arguments, std::size_t values) {
    std::vector<std::uint8_t> input = PackCall(function, arguments);
    if (input.empty()) return std::nullopt;
    std::vector<std::uint8_t> output(values * sizeof(std::uint64_t));
    DWORD returned = 0;
    if (!DeviceIoControl(device, kCallFunctionCode, input.data(), static_cast<DWORD>(input.size()),
                         output.empty() ? nullptr : output.data(), static_cast<DWORD>(output.size()), &returned,
                         nullptr))
        return std::nullopt;
    std::vector<std::uint64_t> unpacked =
        UnpackValues(std::span(output.data(), std::min<std::size_t>(returned, output.size())));
    if (unpacked.size() != values) return std::nullopt;
    return unpacked;
}

std::optional<std::uint64_t> CallModule(HANDLE device, std::string_view function, std::uint64_t argument) {
    const auto values = CallModule(device, function, std::span(&argument, 1), 1);
    if (!values) return std::nullopt;
    return values->front();
}

std::wstring LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&LibraryFolder), &self))
        return {};
    return ModuleFolder(self);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
    const ScopedHandle file =
        OwnFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestModule) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return std::nullopt;
    return bytes;
}

}  // namespace veltar::hardware
