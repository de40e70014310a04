#include "history/platform/history_recorder.h"

namespace veltar {
namespace {

constexpr ULONGLONG kRetryMs = 60'000;

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

HistoryRecorder::~HistoryRecorder() {
    if (m_writer) m_writer->Finish();
}

void HistoryRecorder::Stop() {
    m_writer.reset();
    m_file.reset();
    m_nextTry = GetTickCount64() + kRetryMs;
}

bool HistoryRecorder::Start(std::size_t readings) {
    if (m_path.empty() || GetTickCount64() < m_nextTry) return false;
    const std::wstring folder = FolderOf(m_path);
    if (!folder.empty()) CreateDirectoryW(folder.c_str(), nullptr);
    DWORD error = ERROR_SUCCESS;
    // Held by another writer, the file cannot be opened for writing: that one records.
    m_file = WinHistoryFile::OpenForWriting(m_path, &error);
    if (m_file && m_file->Size() > 0) {
        m_writer = HistoryWriter::Resume(*m_file);
        if (!m_writer) {
            m_file.reset();
            const std::wstring aside = m_path + L".bad";
            if (MoveFileExW(m_path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING))
                m_file = WinHistoryFile::OpenForWriting(m_path, &error);
        }
    }
    if (m_file && !m_writer) m_writer = HistoryWriter::Create(*m_file, readings, UtcNowMs());
    if (m_writer) return true;
    Stop();
    return false;
}

void HistoryRecorder::Record(const std::vector<TemperatureReading>& readings) {
    if (!m_writer && !Start(readings.size())) return;
    if (!m_writer->Record(UtcNowMs(), readings)) Stop();
}

}  // namespace veltar
