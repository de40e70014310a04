// The small dialog framework: a dialog procedure that binds the object to its
// window and hands every message to the object's message map, and the UI-update mix-in.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "app/app_module.h"

// The message being dispatched; a handler clears handled to pass it on.
struct CurrentMessage {
    HWND hWnd;
    UINT uMsg;
    WPARAM wParam;
    LPARAM lParam;
    bool handled;
};

class CDialogImplBase {
public:
    CDialogImplBase() = default;
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;

    // The message map: true when the message was handled, its result in lResult.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID) = 0;
    virtual ~CDialogImplBase() = default;
    virtual DLGPROC GetDialogProc() { return StartDialogProc; }
    virtual void OnFinalMessage(HWND) {}

    HWND m_hWnd = nullptr;

    void SetMsgHandled(bool handled) { m_pCurrentMsg->handled = handled; }
    bool IsMsgHandled() const { return m_pCurrentMsg->handled; }

protected:
    // Runs one message-map entry with the handled flag set; true when the
    // handler left it set, its result then in lResult.
    template <typename Handler>
    bool RunEntry(LRESULT& lResult, Handler handler) {
        SetMsgHandled(true);
        lResult = handler();
        return IsMsgHandled();
    }

    // The window is created with creation parameter 0, so the object waits in a
    // per-thread slot for the first message of its dialog.
    static CDialogImplBase*& BeingCreated();
    static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    CurrentMessage* m_pCurrentMsg = nullptr;
};

template <class T>
class CDialogImpl : public CDialogImplBase {
public:
    // A modeless dialog from the template T::IDD of the program's resources.
    HWND Create(HWND hWndParent, LPARAM dwInitParam = 0) {
        BeingCreated() = this;
        const HWND hWnd = CreateDialogParamW(g_appModule.GetResourceInstance(), MAKEINTRESOURCEW(T::IDD), hWndParent,
                                             GetDialogProc(), dwInitParam);
        BeingCreated() = nullptr;
        return hWnd;
    }

    // A modal run of the dialog; returns what EndDialog was given, or -1.
    INT_PTR DoModal(HWND hWndParent, LPARAM dwInitParam = 0) {
        BeingCreated() = this;
        const INT_PTR result = DialogBoxParamW(g_appModule.GetResourceInstance(), MAKEINTRESOURCEW(T::IDD),
                                               hWndParent, GetDialogProc(), dwInitParam);
        BeingCreated() = nullptr;
        return result;
    }

    BOOL EndDialog(int nRetCode) { return ::EndDialog(m_hWnd, nRetCode); }
};

// Keeps the child controls named in T's update map in the state the map gives.
template <class T>
class CUpdateUI {
public:
    struct Entry {
        WORD id;
        bool enabled;
    };

    BOOL UIAddChildWindowContainer(HWND hWnd) {
        m_containers.push_back(hWnd);
        return TRUE;
    }

    BOOL UIUpdateChildWindows() {
        for (HWND container : m_containers)
            for (const Entry& entry : T::GetUpdateUIMap())
                if (const HWND child = GetDlgItem(container, entry.id)) EnableWindow(child, entry.enabled);
        return TRUE;
    }

private:
    std::vector<HWND> m_containers;
};
