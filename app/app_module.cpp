#include "app/app_module.h"

#include <algorithm>
#include <new>

CAppModule g_appModule;

class CAppModule::Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION& m_section;
};

HRESULT CAppModule::Init(HINSTANCE instance) {
    if (m_initialized) return S_FALSE;
    m_instance = instance;
    InitializeCriticalSection(&m_lock);
    m_initialized = true;
    return S_OK;
}

void CAppModule::Term() {
    if (!m_initialized) return;
    m_threadIds = {};
    m_loops = {};
    DeleteCriticalSection(&m_lock);
    m_initialized = false;
}

bool CAppModule::RegisterLoop(CMessageLoop* loop) {
    if (!m_initialized) return false;
    const Lock lock(m_lock);
    try {
        // Each registration grows both arrays by exactly one slot.
        m_threadIds.reserve(m_threadIds.size() + 1);
        m_loops.reserve(m_loops.size() + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_threadIds.push_back(GetCurrentThreadId());
    m_loops.push_back(loop);
    return true;
}

bool CAppModule::UnregisterLoop() {
    if (!m_initialized) return false;
    const Lock lock(m_lock);
    const auto found = std::find(m_threadIds.begin(), m_threadIds.end(), GetCurrentThreadId());
    if (found == m_threadIds.end()) return false;
    const auto index = found - m_threadIds.begin();
    m_threadIds.erase(found);
    m_loops.erase(m_loops.begin() + index);
    m_threadIds.shrink_to_fit();
    m_loops.shrink_to_fit();
    return true;
}

CMessageLoop* CAppModule::FindLoop() {
    if (!m_initialized) return nullptr;
    const Lock lock(m_lock);
    const auto found = std::find(m_threadIds.begin(), m_threadIds.end(), GetCurrentThreadId());
    return found == m_threadIds.end() ? nullptr : m_loops[static_cast<std::size_t>(found - m_threadIds.begin())];
}
