// The About box: title, author and rights painted over the framed background.
#pragma once

#include <windows.h>

#include <string>

#include "app/dialog_impl.h"
#include "res/resource.h"

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUTBOX };

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                              DWORD dwMsgMapID) override;

private:
    LRESULT OnInitDialog();
    LRESULT OnPaint();
    LRESULT OnCtlColorStatic(HDC dc);
    LRESULT OnCloseCommand(int nCode);

    int m_nLineHeight = 0;
    RECT m_rcLastClient{};
    RECT m_rcMargin{};
    RECT m_rcText{};  // where the text is painted
    DWORD m_clrInner = 0;
    DWORD m_clrFrame = 0;
    std::u16string m_strFontFace;
};
