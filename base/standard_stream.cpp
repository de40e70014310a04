#include "base/standard_stream.h"

#include <algorithm>
#include <string>

#include "base/utf8.h"

namespace veltar {
namespace {

// Consoles take long texts in pieces.
constexpr std::size_t kConsoleChunk = 8192;

bool WriteConsoleText(HANDLE console, std::u16string_view text) {
    while (!text.empty()) {
        const std::size_t piece = std::min(text.size(), kConsoleChunk);
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data(), static_cast<DWORD>(piece), &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

bool WriteBytes(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool WriteStandardStream(DWORD stream, std::u16string_view text) {
    const HANDLE handle = GetStdHandle(stream);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) return WriteConsoleText(handle, text);
    return WriteBytes(handle, ToUtf8(text));
}

}  // namespace veltar
