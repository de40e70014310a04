// Records the window's refreshes in the user's history, on the thread that
// reads them. A file that fails stops the recording, tried again a minute
// later; a second writer of the same file records nothing; a file that holds
// no history of this format is moved aside as history.dat.bad. None of it is
// ever the window's concern.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "history/history_writer.h"
#include "history/platform/win_history_file.h"

namespace veltar {

class HistoryRecorder {
public:
    explicit HistoryRecorder(std::wstring path) : m_path(std::move(path)) {}
    ~HistoryRecorder();
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    void Record(const std::vector<TemperatureReading>& readings);

private:
    bool Start(std::size_t readings);
    void Stop();

    std::wstring m_path;
    std::unique_ptr<WinHistoryFile> m_file;
    std::unique_ptr<HistoryWriter> m_writer;
    ULONGLONG m_nextTry = 0;
};

}  // namespace veltar
