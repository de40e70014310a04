// The main window: a borderless, always-on-top panel that shows the
// temperature report and rebuilds it every 750 ms.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <span>
#include <string>

#include "app/dialog_impl.h"
#include "app/message_loop.h"
#include "base/scoped_win.h"
#include "res/resource.h"
#include "tray/tray_icon_impl.h"
#include "ui/critical_alerts.h"
#include "ui/disk_arrivals.h"
#include "ui/docking.h"
#include "ui/report_lines.h"
#include "ui/report_view.h"
#include "ui/report_worker.h"

// Posted to the main window by the thread that builds its reports when one is ready.
inline constexpr UINT kReportReadyMessage = WM_APP + 1;

// The primary screen's width in pixels, stored once at set-up for docking.
extern int g_nScreenWidth;
// The edge the main window is docked against; only the main window writes it.
extern veltar::DockEdge g_dockEdge;

class CMainDlg : public CTrayIconImpl<CMainDlg>,
                 public CDialogImpl<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public CUpdateUI<CMainDlg> {
public:
    enum { IDD = IDD_MAINDLG };

    CMainDlg() = default;
    // A window whose reports come from the given build in place of the
    // machine's sensors: the floor a refresh is measured against.
    explicit CMainDlg(veltar::ReportWorker::MakeBuild makeBuild) : m_makeBuild(std::move(makeBuild)) {}

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle() override;
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                              DWORD dwMsgMapID) override;
    static std::span<const CUpdateUI<CMainDlg>::Entry> GetUpdateUIMap() { return {}; }

    // Ends the thread that builds the reports, waiting for it at most that long:
    // true when no report is being built any more, so that the hardware-access
    // library may be released.
    bool StopReportWorker(std::chrono::milliseconds wait);

private:
    LRESULT OnInitDialog();
    LRESULT OnTimer(UINT_PTR nIDEvent);
    LRESULT OnReportReady();
    LRESULT OnSize();
    LRESULT OnDestroy();
    LRESULT OnPaint();
    LRESULT OnAbout();
    LRESULT OnQuit(int nCode);
    LRESULT OnShow();
    LRESULT OnHide();
    LRESULT OnMouseMove();
    bool OnEdgeTimer(UINT_PTR nIDEvent);
    LRESULT OnEnterSizeMove();
    LRESULT OnExitSizeMove();
    LRESULT OnMoving(RECT* proposed);

    LRESULT OnDpiChanged(UINT dpi, const RECT& suggested);

    void ScaleTo(unsigned dpi);
    void LoadIcons();
    void SizeToReport(const std::u16string& report);
    veltar::WindowSize SizeForReport() const;
    void ShowReport(const veltar::ReportWorker::Readings& readings);
    void PaintMarkedLines(HDC dc, const RECT& client, const RECT& text) const;
    void ShowTrayState(veltar::LimitState state);
    HICON TrayIconFor(veltar::LimitState state) const;
    bool SlideWindow(RECT window, veltar::SlideDirection direction);
    void StartEdgeTimer();

    int m_nLineHeight = 0;
    RECT m_rcLastClient{};
    RECT m_rcMargin{};
    DWORD m_clrInner = 0;
    DWORD m_clrFrame = 0;
    std::u16string m_strFontFace;
    std::u16string m_strText;
    // The painted report's lines that have reached a limit, drawn apart from the rest.
    veltar::ReportView m_view;
    // The display scale's DPI, and the first report, which sizes the window at every scale.
    unsigned m_uDpi = veltar::kDefaultDpi;
    std::u16string m_strSizingReport;
    // The window's icons, destroyed with the object, after the window and before the tray icon's removal,
    // which needs no icon.
    veltar::ScopedIcon m_bigIcon;
    veltar::ScopedIcon m_smallIcon;
    // The tray's icons while a temperature is at its warning or its critical limit, and the state it shows.
    veltar::ScopedIcon m_trayWarningIcon;
    veltar::ScopedIcon m_trayCriticalIcon;
    veltar::LimitState m_trayState = veltar::LimitState::Normal;
    // Says when a temperature has become critical, once a crossing.
    veltar::CriticalAlerts m_criticalAlerts;
    // Tells the report's drive list when a disk comes or goes; made at set-up.
    std::unique_ptr<veltar::DiskArrivals> m_diskArrivals;
    // Builds each tick's report off this thread; made at set-up.
    veltar::ReportWorker::MakeBuild m_makeBuild;
    std::unique_ptr<veltar::ReportWorker> m_reportWorker;
};

// Invalidates the window's client area, and remembers it in last, when it differs from last.
void InvalidateIfClientChanged(HWND hWnd, RECT& last, BOOL erase);
