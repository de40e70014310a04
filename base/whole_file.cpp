#include "base/whole_file.h"

#include "base/scoped_win.h"

namespace veltar {
namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

DWORD WriteAndFlush(const std::u16string& path, std::string_view bytes) {
    const HANDLE opened = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return GetLastError();
    const ScopedHandle file(opened);
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    return FlushFileBuffers(file.get()) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

DWORD ReplaceWholeFile(const std::u16string& path, std::string_view bytes) {
    std::u16string full(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(Wide(path), static_cast<DWORD>(full.size()),
                                              reinterpret_cast<wchar_t*>(full.data()), nullptr);
        if (length == 0) return GetLastError();
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    const std::u16string folder = full.substr(0, full.find_last_of(u'\\') + 1);
    std::u16string temporary(MAX_PATH, u'\0');
    if (!GetTempFileNameW(Wide(folder), L"vlt", 0, reinterpret_cast<wchar_t*>(temporary.data()))) return GetLastError();
    temporary.resize(temporary.find(u'\0'));

    DWORD error = WriteAndFlush(temporary, bytes);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(Wide(temporary), Wide(full), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) DeleteFileW(Wide(temporary));
    return error;
}

}  // namespace veltar
