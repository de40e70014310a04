#include "app/message_loop.h"

#include <algorithm>
#include <new>

namespace {

// Mouse moves, paints and the system timer (0x0118) do not count as activity
// that calls for another idle pass.
bool CallsForIdle(UINT message) {
    return message != WM_MOUSEMOVE && message != WM_NCMOUSEMOVE && message != WM_PAINT && message != 0x0118;
}

template <typename T>
bool Append(std::vector<T*>& list, T* item) {
    try {
        list.reserve(list.size() + 1);
        list.push_back(item);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename T>
bool RemoveFirst(std::vector<T*>& list, T* item) {
    const auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

}  // namespace

BOOL CMessageLoop::PreTranslateMessage(MSG* pMsg) {
    for (auto filter = m_aMsgFilter.rbegin(); filter != m_aMsgFilter.rend(); ++filter)
        if (*filter && (*filter)->PreTranslateMessage(pMsg)) return TRUE;
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int) {
    for (CIdleHandler* handler : m_aIdleHandler)
        if (handler) handler->OnIdle();
    return FALSE;
}

bool CMessageLoop::RegisterFilter(CMessageFilter* filter) { return Append(m_aMsgFilter, filter); }
bool CMessageLoop::UnregisterFilter(CMessageFilter* filter) { return RemoveFirst(m_aMsgFilter, filter); }
bool CMessageLoop::RegisterIdleHandler(CIdleHandler* handler) { return Append(m_aIdleHandler, handler); }
bool CMessageLoop::UnregisterIdleHandler(CIdleHandler* handler) { return RemoveFirst(m_aIdleHandler, handler); }

int CMessageLoop::RunLoop() {
    bool wantIdle = true;
    int idleCount = 0;
    for (;;) {
        while (wantIdle && !PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) wantIdle = false;
        }
        const BOOL got = GetMessageW(&m_msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) return static_cast<int>(m_msg.wParam);
        if (!PreTranslateMessage(&m_msg)) {
            TranslateMessage(&m_msg);
            DispatchMessageW(&m_msg);
        }
        if (CallsForIdle(m_msg.message)) {
            wantIdle = true;
            idleCount = 0;
        }
    }
}
