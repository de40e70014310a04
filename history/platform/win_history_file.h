// The history file on disk. Its writer shares it for reading alone, so a second
// writer cannot open it; readers share it for everything, so the writer may
// still write it and move it aside.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "base/scoped_win.h"
#include "history/history_file.h"
#include "history/history_reader.h"

namespace veltar {

class WinHistoryFile : public HistoryFile {
public:
    // Opens the file, made if missing for writing; nothing, with Windows' error, when it cannot.
    static std::unique_ptr<WinHistoryFile> OpenForWriting(const std::wstring& path, DWORD* error);
    static std::unique_ptr<WinHistoryFile> OpenForReading(const std::wstring& path, DWORD* error);

    // Takes the open file over.
    explicit WinHistoryFile(HANDLE file) : m_file(file) {}

    std::uint64_t Size() override;
    bool Resize(std::uint64_t size) override;
    bool Read(std::uint64_t offset, std::span<std::byte> bytes) override;
    bool Write(std::uint64_t offset, std::span<const std::byte> bytes) override;
    bool Flush() override;

private:
    ScopedHandle m_file;
};

// Reads the whole history at the path into the sink: nothing when it was read,
// else why not, in words for the user.
std::optional<std::u16string> ReadWholeHistory(const std::wstring& path, HistorySink& sink);

// %LOCALAPPDATA%\Veltar\history.dat of the user the program runs for; empty when
// the system names no such folder.
std::wstring DefaultHistoryPath();

// Milliseconds since 1970 in UTC, from the system's clock.
std::int64_t UtcNowMs();
// The same moment on this machine's local clock, with the daylight saving rule of its date.
std::int64_t LocalMsOf(std::int64_t utcMs);

}  // namespace veltar
