#include "tray/about_dlg.h"

#include "chrome/display_scale.h"
#include "chrome/frame_drag.h"
#include "chrome/framed_paint.h"
#include "chrome/win_geometry.h"
#include "chrome/window_dpi.h"
#include "chrome/window_placement.h"

namespace {

constexpr char16_t kAboutText[] = u"" VELTAR_ABOUT_TEXT;
// Sizes for 96 DPI, scaled to the box's.
constexpr int kLineHeight = 14;
constexpr veltar::Rect kMargin{6, 16, 6, 6};
constexpr veltar::Rect kTextBounds{20, 100, 180, 200};  // fixed, whatever the box's size
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr int kTextControlId = -1;

}  // namespace

BOOL CAboutDlg::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT& lResult, DWORD dwMsgMapID) {
    if (dwMsgMapID != 0) return FALSE;
    const auto run = [&](auto handler) { return RunEntry(lResult, handler); };
    if (uMsg == WM_CTLCOLORSTATIC && run([&] { return OnCtlColorStatic(reinterpret_cast<HDC>(wParam)); }))
        return TRUE;
    if (uMsg == WM_PAINT && run([&] { return OnPaint(); })) return TRUE;
    if (uMsg == WM_INITDIALOG && run([&] { return OnInitDialog(); })) return TRUE;
    if (uMsg == WM_LBUTTONDOWN && run([&] {
            BeginFrameDrag(m_hWnd, m_rcMargin);
            return LRESULT{0};
        }))
        return TRUE;
    if (uMsg == WM_COMMAND) {
        const WORD command = LOWORD(wParam);
        if ((command == IDOK || command == IDCANCEL) && run([&] { return OnCloseCommand(command); })) return TRUE;
    }
    return FALSE;
}

LRESULT CAboutDlg::OnInitDialog() {
    const unsigned dpi = veltar::WindowDpi(m_hWnd);
    m_nLineHeight = veltar::ScaledPixels(kLineHeight, dpi);
    m_rcLastClient = {0, 0, 0, 0};
    m_rcMargin = veltar::ToWinRect(veltar::ScaledRect(kMargin, dpi));
    m_rcText = veltar::ToWinRect(veltar::ScaledRect(kTextBounds, dpi));
    m_strFontFace = u"宋体";
    m_clrInner = 0x7F00FF00;
    m_clrFrame = 0x7FFF0000;

    CenterWindowOn(m_hWnd, GetParent(m_hWnd));
    RemoveCaptionAndFrame(m_hWnd);
    ShowWindow(GetDlgItem(m_hWnd, kTextControlId), SW_HIDE);
    SetWindowTextW(GetDlgItem(m_hWnd, IDOK), L"关闭");
    return TRUE;
}

LRESULT CAboutDlg::OnPaint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(m_hWnd, &paint);
    if (!dc) return 0;
    PaintFramedBackground(dc, m_hWnd, {m_clrInner, m_clrFrame}, m_rcMargin);
    DrawTextInFont(dc, kAboutText, m_rcText, m_nLineHeight, m_strFontFace, kWhite, DT_CENTER | DT_WORDBREAK);
    EndPaint(m_hWnd, &paint);
    return 0;
}

// Static controls draw no background of their own, so the painted one shows through.
LRESULT CAboutDlg::OnCtlColorStatic(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT CAboutDlg::OnCloseCommand(int nCode) {
    EndDialog(nCode);
    return 0;
}
