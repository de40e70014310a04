#include "ui/main_dlg.h"

#include <algorithm>
#include <optional>

#include "app/app_module.h"
#include "chrome/display_scale.h"
#include "chrome/frame_drag.h"
#include "chrome/framed_paint.h"
#include "chrome/win_geometry.h"
#include "chrome/window_dpi.h"
#include "chrome/window_placement.h"
#include "history/platform/history_recorder.h"
#include "sensors/platform/machine_report.h"
#include "sensors/platform/value_record.h"
#include "tray/about_dlg.h"
#include "ui/report_lines.h"

int g_nScreenWidth = 0;
veltar::DockEdge g_dockEdge = veltar::DockEdge::None;

namespace {

constexpr UINT_PTR kRefreshTimerId = 1;
constexpr UINT kRefreshPeriodMs = 750;
constexpr COLORREF kTextColour = 0x0000FFFF;  // yellow
// A line at its part's warning limit, and one at its critical limit on its row.
constexpr COLORREF kWarningTextColour = RGB(255, 165, 0);
constexpr COLORREF kCriticalTextColour = RGB(255, 255, 255);
constexpr COLORREF kCriticalRowColour = RGB(192, 0, 0);
constexpr UINT kTextFormat = DT_CENTER | DT_VCENTER | DT_WORDBREAK;
// Moves keep the size and send no WM_WINDOWPOSCHANGING; they raise and activate the window.
constexpr UINT kSlideMoveFlags = SWP_NOSIZE | SWP_NOSENDCHANGING;

// Sizes for 96 DPI, scaled to the window's.
constexpr int kLineHeight = 20;
constexpr veltar::Rect kMargin{16, 16, 16, 16};

// One of the icon's own images at the system's size for the DPI, never a stretched one.
HICON LoadAppIcon(int widthMetric, int heightMetric, unsigned dpi, WORD id = IDR_MAINFRAME) {
    return static_cast<HICON>(LoadImageW(g_appModule.GetResourceInstance(), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, veltar::SystemMetricForDpi(widthMetric, dpi),
                                         veltar::SystemMetricForDpi(heightMetric, dpi), LR_DEFAULTCOLOR));
}

// The line's width in the window's default font as it measures at 96 DPI: the
// default font does not follow a window's own scale (Wine's grows in height
// only), so at any other the font of its 96-DPI height is measured, to be
// scaled after. Its width is kept: where the system widens the font with the
// scale the window comes out wider, never too narrow for its text.
int MeasureAt96Dpi(HWND hWnd, const std::u16string& line) {
    const veltar::ScopedGetDC dc(hWnd);
    const int fontDpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    veltar::ScopedFont font;
    std::optional<veltar::ScopedSelectObject> selected;
    if (fontDpi != static_cast<int>(veltar::kDefaultDpi)) {
        LOGFONTW logFont{};
        GetObjectW(GetCurrentObject(dc.get(), OBJ_FONT), sizeof logFont, &logFont);
        logFont.lfHeight = MulDiv(logFont.lfHeight, veltar::kDefaultDpi, fontDpi);
        font = veltar::ScopedFont(CreateFontIndirectW(&logFont));
        if (font) selected.emplace(dc.get(), font.get());
    }
    SIZE extent{};
    GetTextExtentExPointW(dc.get(), veltar::AsOle(line.c_str()), static_cast<int>(line.size()), 0, nullptr, nullptr,
                          &extent);
    return static_cast<int>(extent.cx);
}

}  // namespace

void InvalidateIfClientChanged(HWND hWnd, RECT& last, BOOL erase) {
    RECT client{};
    GetClientRect(hWnd, &client);
    if (client.left == last.left && client.top == last.top && client.right == last.right &&
        client.bottom == last.bottom)
        return;
    InvalidateRect(hWnd, &client, erase);
    last = client;
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg) { return IsDialogMessageW(m_hWnd, pMsg); }

BOOL CMainDlg::OnIdle() {
    UIUpdateChildWindows();
    return FALSE;
}

BOOL CMainDlg::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                    DWORD dwMsgMapID) {
    if (dwMsgMapID != 0) return FALSE;
    const auto run = [&](auto handler) { return RunEntry(lResult, handler); };
    if (uMsg == WM_TIMER && run([&] { return OnTimer(wParam); })) return TRUE;
    if (uMsg == kReportReadyMessage && run([&] { return OnReportReady(); })) return TRUE;
    if ((uMsg == WM_NCMOUSEMOVE || uMsg == WM_MOUSEMOVE) && run([&] { return OnMouseMove(); })) return TRUE;
    if (uMsg == WM_ENTERSIZEMOVE && run([&] { return OnEnterSizeMove(); })) return TRUE;
    if (uMsg == WM_EXITSIZEMOVE && run([&] { return OnExitSizeMove(); })) return TRUE;
    if (uMsg == WM_MOVING && run([&] { return OnMoving(reinterpret_cast<RECT*>(lParam)); })) return TRUE;
    if (uMsg == WM_INITDIALOG && run([&] { return OnInitDialog(); })) return TRUE;
    if (uMsg == WM_DESTROY && run([&] { return OnDestroy(); })) return TRUE;
    if (uMsg == WM_PAINT && run([&] { return OnPaint(); })) return TRUE;
    if ((uMsg == WM_SIZE || uMsg == WM_SIZING) && run([&] { return OnSize(); })) return TRUE;
    if (uMsg == WM_DPICHANGED &&
        run([&] { return OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); }))
        return TRUE;
    if (uMsg == WM_LBUTTONDOWN && run([&] {
            BeginFrameDrag(m_hWnd, m_rcMargin);
            return LRESULT{0};
        }))
        return TRUE;
    // WM_ERASEBKGND is left to the dialog's default erase.
    if (uMsg == WM_COMMAND) {
        const WORD command = LOWORD(wParam);
        if ((command == ID_TRAY_ABOUT || command == ID_APP_ABOUT) && run([&] { return OnAbout(); })) return TRUE;
        if ((command == IDOK || command == IDCANCEL) && run([&] { return OnQuit(command); })) return TRUE;
        if (command == ID_TRAY_SHOW && run([&] { return OnShow(); })) return TRUE;
        if (command == ID_TRAY_HIDE && run([&] { return OnHide(); })) return TRUE;
    }
    if (uMsg == m_uTrayMessage && run([&] { return OnTrayNotify(uMsg, wParam, lParam); })) return TRUE;
    if (uMsg == m_uTaskbarCreatedMessage && run([&] { return OnTaskbarCreated(); })) return TRUE;
    return FALSE;
}

LRESULT CMainDlg::OnInitDialog() {
    m_rcLastClient = {0, 0, 0, 0};
    m_strFontFace = u"宋体";
    m_clrInner = 0x7F0000FF;
    m_clrFrame = 0x7F00FF00;
    ScaleTo(veltar::WindowDpi(m_hWnd));

    g_nScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    CenterWindowOn(m_hWnd, nullptr);
    LoadIcons();

    if (CMessageLoop* loop = g_appModule.FindLoop()) {
        loop->RegisterFilter(this);
        loop->RegisterIdleHandler(this);
    }
    UIAddChildWindowContainer(m_hWnd);

    SizeToReport(veltar::GetTemperatureReport());

    RemoveCaptionAndFrame(m_hWnd);
    for (int id : {IDOK, IDCANCEL, ID_APP_ABOUT}) ShowWindow(GetDlgItem(m_hWnd, id), SW_HIDE);
    AddTrayIcon(u"TRAYICON", m_smallIcon.get(), IDR_TRAYMENU);

    const HWND window = m_hWnd;
    // The worker's thread keeps its reader, and with it the management service's connections, for its life.
    // The reader keeps its list of drives until a disk comes or goes.
    const auto driveChanges = std::make_shared<veltar::DriveChanges>();
    m_diskArrivals = std::make_unique<veltar::DiskArrivals>(driveChanges);
    veltar::ReportWorker::MakeBuild makeBuild = m_makeBuild;
    if (!makeBuild)
        makeBuild = [driveChanges]() -> veltar::ReportWorker::Build {
            return [reader = std::make_shared<veltar::MachineReader>(driveChanges)] { return reader->Readings(); };
        };
    m_reportWorker = std::make_unique<veltar::ReportWorker>(
        std::move(makeBuild),
        [window] { PostMessageW(window, kReportReadyMessage, 0, 0); },
        // Every report is recorded in the user's history, shown or hidden.
        []() -> veltar::ReportWorker::Keep {
            return [recorder = std::make_shared<veltar::HistoryRecorder>(veltar::DefaultHistoryPath())](
                       const veltar::ReportWorker::Readings& readings) { recorder->Record(readings); };
        });
    SetTimer(m_hWnd, kRefreshTimerId, kRefreshPeriodMs, nullptr);
    return TRUE;
}

// Every pixel size at the window's display scale.
void CMainDlg::ScaleTo(unsigned dpi) {
    m_uDpi = dpi;
    m_nLineHeight = veltar::ScaledPixels(kLineHeight, dpi);
    m_rcMargin = veltar::ToWinRect(veltar::ScaledRect(kMargin, dpi));
}

// The window's and the tray's icons at the sizes for the window's scale.
void CMainDlg::LoadIcons() {
    m_bigIcon = veltar::ScopedIcon(LoadAppIcon(SM_CXICON, SM_CYICON, m_uDpi));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));
    m_smallIcon = veltar::ScopedIcon(LoadAppIcon(SM_CXSMICON, SM_CYSMICON, m_uDpi));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
    m_trayWarningIcon = veltar::ScopedIcon(LoadAppIcon(SM_CXSMICON, SM_CYSMICON, m_uDpi, IDI_TRAY_WARNING));
    m_trayCriticalIcon = veltar::ScopedIcon(LoadAppIcon(SM_CXSMICON, SM_CYSMICON, m_uDpi, IDI_TRAY_CRITICAL));
}

HICON CMainDlg::TrayIconFor(veltar::LimitState state) const {
    switch (state) {
        case veltar::LimitState::Warning: return m_trayWarningIcon.get();
        case veltar::LimitState::Critical: return m_trayCriticalIcon.get();
        case veltar::LimitState::Normal: break;
    }
    return m_smallIcon.get();
}

// The tray shows the worst state of the readings; the icon is changed only when it changes.
void CMainDlg::ShowTrayState(veltar::LimitState state) {
    if (state == m_trayState) return;
    m_trayState = state;
    SetTrayIcon(TrayIconFor(state));
}

// The report built here serves for sizing only, now and at a change of scale.
// Lines are measured in the window's default font, with no font selected, as
// at 96 DPI.
void CMainDlg::SizeToReport(const std::u16string& report) {
    m_strSizingReport = report;
    const veltar::WindowSize size = SizeForReport();
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, size.width, size.height, SWP_NOMOVE);
}

veltar::WindowSize CMainDlg::SizeForReport() const {
    const HWND window = m_hWnd;
    return veltar::WindowSizeForReport(m_strSizingReport, m_nLineHeight, m_uDpi,
                                       [window](const std::u16string& line) { return MeasureAt96Dpi(window, line); });
}

// The window takes its size at the new scale where Windows suggests, or on its
// dock edge, and its icons are loaded again at their new sizes.
LRESULT CMainDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    ScaleTo(dpi);
    const veltar::WindowSize size = SizeForReport();
    veltar::Rect window{suggested.left, suggested.top, suggested.left + size.width, suggested.top + size.height};
    RECT current{};
    GetWindowRect(m_hWnd, &current);
    veltar::KeepOnDockEdge(window, veltar::ToRect(current), g_dockEdge, g_nScreenWidth);
    SetWindowPos(m_hWnd, nullptr, window.left, window.top, window.Width(), window.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    LoadIcons();
    SetTrayIcon(TrayIconFor(m_trayState));
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

// A tick asks for a report; while one is being built, it asks for nothing and
// the window keeps showing the last one.
LRESULT CMainDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kRefreshTimerId) m_reportWorker->Request();
    else if (!OnEdgeTimer(nIDEvent)) SetMsgHandled(false);
    return 0;
}

LRESULT CMainDlg::OnReportReady() {
    if (const auto readings = m_reportWorker->Take()) ShowReport(*readings);
    return 0;
}

bool CMainDlg::StopReportWorker(std::chrono::milliseconds wait) {
    return !m_reportWorker || m_reportWorker->Stop(wait);
}

void CMainDlg::ShowReport(const veltar::ReportWorker::Readings& readings) {
    m_view = veltar::ViewReadings(readings);
    SetWindowTextW(m_hWnd, veltar::AsOle(m_view.text.c_str()));
    m_strText = m_view.text;
    InvalidateIfClientChanged(m_hWnd, m_rcLastClient, TRUE);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    // After the paint: a call to the shell lets other threads' sent messages in.
    ShowTrayState(m_view.worst);
    if (const auto balloon = m_criticalAlerts.Update(readings)) ShowTrayBalloon(balloon->title, balloon->text);
}

LRESULT CMainDlg::OnSize() {
    InvalidateIfClientChanged(m_hWnd, m_rcLastClient, TRUE);
    return 0;
}

LRESULT CMainDlg::OnDestroy() {
    if (CMessageLoop* loop = g_appModule.FindLoop()) {
        loop->UnregisterFilter(this);
        loop->UnregisterIdleHandler(this);
    }
    return 0;
}

LRESULT CMainDlg::OnPaint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(m_hWnd, &paint);
    if (!dc) return 0;
    const RECT client = PaintFramedBackground(dc, m_hWnd, {m_clrInner, m_clrFrame}, m_rcMargin);
    const RECT text{client.left + m_rcMargin.left, client.top + m_rcMargin.top, client.right - m_rcMargin.right,
                    client.bottom - m_rcMargin.bottom};
    // The marked lines are left empty in the plain text, so that every other line keeps its place.
    const std::u16string& plain = m_view.marked.empty() ? m_strText : m_view.plainText;
    if (DrawTextInFont(dc, plain, text, m_nLineHeight, m_strFontFace, kTextColour, kTextFormat)) {
        PaintMarkedLines(dc, client, text);
        SetTrayTip(m_strText);
    }
    EndPaint(m_hWnd, &paint);
    return 0;
}

// A line at its warning limit in orange; one at its critical limit in white on
// a red row across the inner area, at that line's height. Clipped to the text
// rectangle, as the other lines are.
void CMainDlg::PaintMarkedLines(HDC dc, const RECT& client, const RECT& text) const {
    for (const veltar::MarkedLine& line : m_view.marked) {
        const int top = text.top + static_cast<int>(line.index) * m_nLineHeight;
        const int bottom = std::min(top + m_nLineHeight, static_cast<int>(text.bottom));
        if (top >= bottom) break;
        const bool critical = line.state == veltar::LimitState::Critical;
        if (critical) {
            const RECT row{client.left + m_rcMargin.left + 1, top, client.right - m_rcMargin.right - 1, bottom};
            const veltar::ScopedBrush brush(CreateSolidBrush(kCriticalRowColour));
            if (brush) FillRect(dc, &row, brush.get());
        }
        DrawTextInFont(dc, line.text, {text.left, top, text.right, bottom}, m_nLineHeight,
                       m_strFontFace, critical ? kCriticalTextColour : kWarningTextColour, kTextFormat);
    }
}

LRESULT CMainDlg::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal(GetActiveWindow());
    return 0;
}

LRESULT CMainDlg::OnShow() {
    if (!IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOW);
    if (IsIconic(m_hWnd)) ShowWindow(m_hWnd, SW_RESTORE);
    else BringWindowToTop(m_hWnd);
    SetForegroundWindow(m_hWnd);
    return 0;
}

LRESULT CMainDlg::OnHide() {
    ShowWindow(m_hWnd, SW_HIDE);
    return 0;
}

LRESULT CMainDlg::OnQuit(int nCode) {
    DestroyWindow(m_hWnd);
    PostQuitMessage(nCode);
    return 0;
}

LRESULT CMainDlg::OnMouseMove() {
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    if (veltar::IsWithinDockArea(veltar::ToRect(window), g_nScreenWidth)) {
        // Every move restarts the period: the first tick comes 255 ms after the last movement.
        StartEdgeTimer();
    } else if (SlideWindow(window, veltar::SlideDirection::In)) {
        // Checked again at once, so that a pointer that has already gone on leaves the window hidden again.
        StartEdgeTimer();
    }
    return 0;
}

void CMainDlg::StartEdgeTimer() { SetTimer(m_hWnd, veltar::kEdgeTimerId, veltar::kEdgeTimerPeriodMs, nullptr); }

bool CMainDlg::OnEdgeTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != veltar::kEdgeTimerId) return false;
    POINT pointer{};
    GetCursorPos(&pointer);
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    if (!PtInRect(&window, pointer)) {
        KillTimer(m_hWnd, veltar::kEdgeTimerId);
        SlideWindow(window, veltar::SlideDirection::Out);
    }
    return true;
}

LRESULT CMainDlg::OnEnterSizeMove() {
    KillTimer(m_hWnd, veltar::kEdgeTimerId);
    return 0;
}

LRESULT CMainDlg::OnExitSizeMove() {
    StartEdgeTimer();
    return 0;
}

LRESULT CMainDlg::OnMoving(RECT* proposed) {
    veltar::Rect rect = veltar::ToRect(*proposed);
    POINT pointer{};
    if (g_dockEdge != veltar::DockEdge::None) GetCursorPos(&pointer);
    veltar::ApplyMovingRules(rect, g_dockEdge, g_nScreenWidth, veltar::ToPoint(pointer), m_uDpi);
    *proposed = veltar::ToWinRect(rect);
    return 0;
}

// Each step is painted before the next is set, so the slide is seen although it holds the thread.
bool CMainDlg::SlideWindow(RECT window, veltar::SlideDirection direction) {
    const auto plan = veltar::PlanSlide(veltar::ToRect(window), g_dockEdge, g_nScreenWidth, direction);
    if (!plan) return false;
    for (int step = 0; step < veltar::kSlideSteps; ++step) {
        window.left += plan->stepX;
        window.top += plan->stepY;
        SetWindowPos(m_hWnd, HWND_TOP, window.left, window.top, 0, 0, kSlideMoveFlags);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(veltar::kSlideStepDelayMs);
    }
    SetWindowPos(m_hWnd, HWND_TOP, plan->finalX, plan->finalY, 0, 0, kSlideMoveFlags);
    return true;
}
