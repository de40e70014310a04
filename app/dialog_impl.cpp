#include "app/dialog_impl.h"

namespace {

thread_local CDialogImplBase* t_beingCreated = nullptr;

}  // namespace

CDialogImplBase*& CDialogImplBase::BeingCreated() { return t_beingCreated; }

INT_PTR CALLBACK CDialogImplBase::StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CDialogImplBase* self = BeingCreated();
    if (!self) return FALSE;
    BeingCreated() = nullptr;
    self->m_hWnd = hWnd;
    SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(DialogProc));
    return DialogProc(hWnd, uMsg, wParam, lParam);
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialogImplBase*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!self) return FALSE;

    CurrentMessage current{hWnd, uMsg, wParam, lParam, true};
    CurrentMessage* outer = self->m_pCurrentMsg;
    self->m_pCurrentMsg = &current;
    LRESULT lResult = 0;
    const BOOL handled = self->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, 0);
    self->m_pCurrentMsg = outer;

    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(hWnd);
    }
    if (!handled) return FALSE;
    // These messages return their result directly; all others through DWLP_MSGRESULT.
    switch (uMsg) {
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return static_cast<INT_PTR>(lResult);
        default:
            SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
            return TRUE;
    }
}
