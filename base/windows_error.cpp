#include "base/windows_error.h"

#include "base/text_format.h"

namespace veltar {
namespace {

std::u16string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (length > 0 && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
    return text;
}

std::u16string WithCode(std::u16string message, std::u16string_view format, unsigned long code) {
    std::u16string number;
    ReplaceFormatted(number, format, code);
    return message.empty() ? number.substr(1, number.size() - 2) : message + u" " + number;
}

}  // namespace

std::u16string Win32ErrorText(DWORD error) { return WithCode(SystemMessage(error), u"(error %lu)", error); }

std::u16string HresultText(HRESULT status) {
    const auto code = static_cast<unsigned long>(status);
    return WithCode(SystemMessage(code), u"(0x%lX)", code);
}

}  // namespace veltar
