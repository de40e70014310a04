// veltar-history: the temperatures Veltar recorded, as a picture in a window
// or, with --save, written to a PNG file without one. Exit 0 done, 1 no history
// or the file could not be written, 2 usage error.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "base/standard_stream.h"
#include "base/whole_file.h"
#include "base/windows_error.h"
#include "chrome/display_scale.h"
#include "viewer/history_options.h"
#include "viewer/history_window.h"
#include "viewer/png_file.h"

namespace {

constexpr char16_t kUsage[] =
    u"Usage: veltar-history [--span=10m|1h|24h|7d|30d] [--file=HISTORY]\r\n"
    u"       veltar-history --save=FILE.png [--span=...] [--size=WIDTHxHEIGHT] [--file=HISTORY]\r\n"
    u"\r\n"
    u"Shows the temperatures Veltar recorded: one pane per kind of part, each\r\n"
    u"reading's line, the limits its part declares, the last hour at first.\r\n"
    u"\r\n"
    u"  --span=SPAN          the last 10 minutes, hour, 24 hours, 7 or 30 days\r\n"
    u"  --file=HISTORY       that history instead of the user's own\r\n"
    u"                       (%LOCALAPPDATA%\\Veltar\\history.dat)\r\n"
    u"  --save=FILE.png      writes the picture to the file and ends, without a window\r\n"
    u"  --size=WxH           with --save: the picture's size, 960x600 when not given\r\n"
    u"\r\n"
    u"Exit status: 0 done, 1 no history or the file not written, 2 usage error.\r\n";

// Messages of a run without a window go to standard error: the caller's
// console when it has one and standard error is not sent elsewhere.
bool g_consoleOpened = false;

void Say(const std::u16string& message) {
    if (!GetStdHandle(STD_ERROR_HANDLE) && !g_consoleOpened && AttachConsole(ATTACH_PARENT_PROCESS)) {
        g_consoleOpened = true;
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) SetStdHandle(STD_ERROR_HANDLE, console);
    }
    veltar::WriteStandardStream(STD_ERROR_HANDLE, u"veltar-history: " + message + u"\r\n");
}

std::wstring HistoryPath(const veltar::HistoryOptions& options) {
    return options.file ? std::wstring(options.file->begin(), options.file->end()) : veltar::DefaultHistoryPath();
}

// Writes the picture of the history to the file; the exit status.
int SavePicture(const veltar::HistoryOptions& options) {
    veltar::HistoryTable table;
    if (const auto problem = veltar::ReadWholeHistory(HistoryPath(options), table)) {
        Say(*problem);
        return 1;
    }
    const veltar::Picture picture = veltar::DrawHistory(table, options.span, veltar::UtcNowMs(), options.width,
                                                        options.height, veltar::kDefaultDpi, veltar::LocalMsOf);
    veltar::PictureBitmap bitmap;
    if (!bitmap.Draw(picture)) {
        Say(u"no picture of that size could be made.");
        return 1;
    }
    const DWORD error = veltar::ReplaceWholeFile(*options.save, veltar::EncodePng(bitmap.Width(), bitmap.Height(), bitmap.Pixels()));
    if (error == ERROR_SUCCESS) return 0;
    Say(*options.save + u" could not be written: " + veltar::Win32ErrorText(error));
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int nCmdShow) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::u16string> texts;
    for (int i = 1; i < argc; ++i) texts.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    LocalFree(argv);
    std::vector<std::u16string_view> arguments(texts.begin(), texts.end());
    bool saving = false;
    for (const std::u16string_view argument : arguments) saving = saving || argument.starts_with(u"--save");

    const auto parsed = veltar::ParseHistoryOptions(arguments);
    if (const auto* error = std::get_if<veltar::HistoryOptionsError>(&parsed)) {
        if (saving) {
            Say(error->message);
            veltar::WriteStandardStream(STD_ERROR_HANDLE, kUsage);
        } else {
            const std::u16string text = error->message + u"\r\n\r\n" + kUsage;
            MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Veltar history", MB_ICONWARNING);
        }
        return 2;
    }
    const auto& options = std::get<veltar::HistoryOptions>(parsed);
    if (options.save) return SavePicture(options);
    veltar::HistoryWindow window(HistoryPath(options), options.span);
    return window.Create(nCmdShow) ? window.Run() : 1;
}
