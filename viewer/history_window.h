// The history's window: the picture of the span chosen, following the file as
// the window program records, the pointer's line, saving and copying.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "history/history_reader.h"
#include "history/platform/win_history_file.h"
#include "viewer/history_paint.h"

namespace veltar {

class HistoryWindow {
public:
    HistoryWindow(std::wstring path, HistorySpan span) : m_path(std::move(path)), m_span(span) {}
    HistoryWindow(const HistoryWindow&) = delete;
    HistoryWindow& operator=(const HistoryWindow&) = delete;

    // Makes and shows the window; false when it could not be made.
    bool Create(int nCmdShow);
    // Runs its messages until it is closed; the exit status.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnTimer();
    void OnPaint();
    void OnCommand(UINT id);
    void OnMouseMove(int x, int y);
    void ChooseSpan(HistorySpan span);
    // Reads what was recorded since; true when anything changed.
    bool Follow();
    void Redraw();
    void Save();

    std::wstring m_path;
    HistorySpan m_span;
    HWND m_hWnd = nullptr;
    HistoryReader m_reader;
    HistoryTable m_table;
    std::u16string m_problem;  // why no history is shown, if none is
    Picture m_picture;
    PictureBitmap m_bitmap;
    std::optional<POINT> m_pointer;
    Scoped<HACCEL, DestroyAcceleratorTable> m_accelerators;
};

}  // namespace veltar
