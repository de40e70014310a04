// veltar-window-text: starts veltar.exe of the build with the environment it
// was given, prints the report its window shows after the first refresh (as
// UTF-8), then closes it. For the end-to-end tests driven from Linux, whose
// stand-in devices must be set up before the Wine session starts.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>

#include "tests/e2e/program_driver.h"

int main() {
    using namespace veltar::driver;
    wchar_t fixture[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"VELTAR_SENSORS", fixture, MAX_PATH);
    Program program(L"veltar.exe", length ? std::optional<std::wstring>(fixture) : std::nullopt);
    HWND window = nullptr;
    const bool shown = program.started() && WaitFor(program, [&] {
        window = FindMainWindow(program.id());
        return window && WindowText(window) != L"VELTAR";  // the first refresh has come
    });
    if (!shown) {
        std::fputs("veltar-window-text: the window showed no report\n", stderr);
        return 1;
    }
    const std::wstring text = WindowText(window);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    _setmode(_fileno(stdout), _O_BINARY);  // the report's own "\r\n" unchanged
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return program.WaitForExit() == DWORD{2} ? 0 : 1;
}
