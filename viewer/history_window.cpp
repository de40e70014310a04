#include "viewer/history_window.h"

#include <windowsx.h>
#include <commdlg.h>

#include "base/whole_file.h"
#include "base/windows_error.h"
#include "chrome/display_scale.h"
#include "chrome/window_dpi.h"
#include "viewer/png_file.h"

namespace veltar {
namespace {

constexpr wchar_t kClassName[] = L"VeltarHistory";
constexpr UINT_PTR kFollowTimerId = 1;
// A refresh recorded shows within this and the drawing's time, under the 2 s promised.
constexpr UINT kFollowPeriodMs = 1500;
constexpr int kWidth = 960, kHeight = 600;  // the client area at 96 DPI
constexpr UINT kSpanCommand = 100;          // + the span's place
constexpr UINT kSaveCommand = 110, kCopyCommand = 111, kExitCommand = 112;
constexpr HistorySpan kSpans[] = {HistorySpan::TenMinutes, HistorySpan::Hour, HistorySpan::Day, HistorySpan::Week,
                                  HistorySpan::Month};

HMENU MakeMenu() {
    const HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kSaveCommand, L"&Save picture as PNG…\tCtrl+S");
    AppendMenuW(file, MF_STRING, kCopyCommand, L"&Copy picture\tCtrl+C");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kExitCommand, L"E&xit");
    const HMENU view = CreatePopupMenu();
    constexpr const wchar_t* kNames[] = {L"Last &10 minutes\t1", L"Last &hour\t2", L"Last &24 hours\t3",
                                         L"Last &7 days\t4", L"Last &30 days\t5"};
    for (UINT i = 0; i < std::size(kNames); ++i) AppendMenuW(view, MF_STRING, kSpanCommand + i, kNames[i]);
    const HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    return bar;
}

HACCEL MakeAccelerators() {
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'S', kSaveCommand}, {FVIRTKEY | FCONTROL, 'C', kCopyCommand}};
    std::vector<ACCEL> all(std::begin(keys), std::end(keys));
    for (WORD i = 0; i < std::size(kSpans); ++i) {
        all.push_back({FVIRTKEY, static_cast<WORD>('1' + i), static_cast<WORD>(kSpanCommand + i)});
        all.push_back({FVIRTKEY, static_cast<WORD>(VK_NUMPAD1 + i), static_cast<WORD>(kSpanCommand + i)});
    }
    return CreateAcceleratorTableW(all.data(), static_cast<int>(all.size()));
}

}  // namespace

bool HistoryWindow::Create(int nCmdShow) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(128));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    const unsigned dpi = WindowDpi(nullptr);
    RECT frame{0, 0, ScaledPixels(kWidth, dpi), ScaledPixels(kHeight, dpi)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    m_accelerators = Scoped<HACCEL, DestroyAcceleratorTable>(MakeAccelerators());
    m_hWnd = CreateWindowExW(0, kClassName, reinterpret_cast<const wchar_t*>(HistoryTitle(m_span).c_str()),
                             WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, MakeMenu(), windowClass.hInstance, this);
    if (!m_hWnd) return false;
    ChooseSpan(m_span);
    Follow();
    Redraw();
    SetTimer(m_hWnd, kFollowTimerId, kFollowPeriodMs, nullptr);
    ShowWindow(m_hWnd, nCmdShow);
    return true;
}

int HistoryWindow::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(m_hWnd, m_accelerators.get(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT CALLBACK HistoryWindow::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCCREATE) {
        auto* self = static_cast<HistoryWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HistoryWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    return self ? self->OnMessage(uMsg, wParam, lParam) : DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT HistoryWindow::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_TIMER:
            if (wParam == kFollowTimerId) OnTimer();
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Redraw();
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: OnPaint(); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
        case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MOUSELEAVE:
            m_pointer.reset();
            InvalidateRect(m_hWnd, nullptr, FALSE);
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            Redraw();
            return 0;
        }
        case WM_DESTROY:
            KillTimer(m_hWnd, kFollowTimerId);
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
    }
}

bool HistoryWindow::Follow() {
    // Opened afresh each time: a history moved aside and begun anew is read from
    // the new file, whose other header makes the reader start over.
    DWORD error = ERROR_SUCCESS;
    const auto file = WinHistoryFile::OpenForReading(m_path, &error);
    if (!file) {
        m_problem = u"No history yet: " + std::u16string(m_path.begin(), m_path.end()) + u" " + Win32ErrorText(error);
        return true;
    }
    switch (m_reader.Update(*file, m_table)) {
        case HistoryRead::Unchanged: return false;
        case HistoryRead::Appended:
        case HistoryRead::Reloaded: m_problem.clear(); return true;
        case HistoryRead::NotHistory:
        case HistoryRead::Unreadable: break;
    }
    m_problem = std::u16string(m_path.begin(), m_path.end()) + u" is not a Veltar history.";
    return true;
}

void HistoryWindow::OnTimer() {
    // Nothing is read or drawn while no one can see it.
    if (!IsWindowVisible(m_hWnd) || IsIconic(m_hWnd)) return;
    Follow();
    Redraw();
}

void HistoryWindow::Redraw() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    m_picture = DrawHistory(m_table, m_span, UtcNowMs(), client.right, client.bottom, WindowDpi(m_hWnd), LocalMsOf);
    if (!m_problem.empty() && m_picture.panes.empty()) m_picture.labels.back().text = m_problem;
    m_bitmap.Draw(m_picture);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void HistoryWindow::OnPaint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const ScopedMemoryDC picture(CreateCompatibleDC(dc));
    if (picture && m_bitmap.get()) {
        const ScopedSelectObject selected(picture.get(), m_bitmap.get());
        const auto reading =
            m_pointer ? ReadAtPointer(m_picture, m_table, m_span, m_pointer->x, m_pointer->y, LocalMsOf) : std::nullopt;
        if (!reading) {
            BitBlt(dc, 0, 0, client.right, client.bottom, picture.get(), 0, 0, SRCCOPY);
        } else {
            // The picture and the pointer's line are put together off the screen, then shown at once.
            const ScopedMemoryDC back(CreateCompatibleDC(dc));
            const ScopedBitmap backBitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
            if (back && backBitmap) {
                const ScopedSelectObject backSelected(back.get(), backBitmap.get());
                BitBlt(back.get(), 0, 0, client.right, client.bottom, picture.get(), 0, 0, SRCCOPY);
                DrawPointer(back.get(), m_picture, *reading);
                BitBlt(dc, 0, 0, client.right, client.bottom, back.get(), 0, 0, SRCCOPY);
            }
        }
    }
    EndPaint(m_hWnd, &paint);
}

void HistoryWindow::OnMouseMove(int x, int y) {
    if (!m_pointer) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        TrackMouseEvent(&track);
    }
    m_pointer = POINT{x, y};
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void HistoryWindow::ChooseSpan(HistorySpan span) {
    m_span = span;
    const UINT place = static_cast<UINT>(span);
    CheckMenuRadioItem(GetSubMenu(GetMenu(m_hWnd), 1), kSpanCommand, kSpanCommand + std::size(kSpans) - 1,
                       kSpanCommand + place, MF_BYCOMMAND);
    SetWindowTextW(m_hWnd, reinterpret_cast<const wchar_t*>(HistoryTitle(span).c_str()));
}

void HistoryWindow::OnCommand(UINT id) {
    if (id >= kSpanCommand && id < kSpanCommand + std::size(kSpans)) {
        ChooseSpan(kSpans[id - kSpanCommand]);
        Redraw();
    } else if (id == kSaveCommand) {
        Save();
    } else if (id == kCopyCommand) {
        if (!CopyToClipboard(m_hWnd, m_bitmap))
            MessageBoxW(m_hWnd, L"The picture could not be put on the clipboard.", L"Veltar history", MB_ICONWARNING);
    } else if (id == kExitCommand) {
        DestroyWindow(m_hWnd);
    }
}

void HistoryWindow::Save() {
    wchar_t name[MAX_PATH] = L"veltar-history.png";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = L"PNG picture (*.png)\0*.png\0";
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"png";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return;
    const std::wstring path(name);
    const DWORD error = ReplaceWholeFile(std::u16string(path.begin(), path.end()),
                                         EncodePng(m_bitmap.Width(), m_bitmap.Height(), m_bitmap.Pixels()));
    if (error == ERROR_SUCCESS) return;
    const std::u16string text = u"The picture could not be saved: " + Win32ErrorText(error);
    MessageBoxW(m_hWnd, reinterpret_cast<const wchar_t*>(text.c_str()), L"Veltar history", MB_ICONWARNING);
}

}  // namespace veltar
