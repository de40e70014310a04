// The application module: the registry through which a window finds the
// message loop of its thread, guarded by the module lock.
#pragma once

#include <windows.h>

#include <vector>

class CMessageLoop;

class CAppModule {
public:
    // Creates the lock and the empty registry.
    HRESULT Init(HINSTANCE instance);
    // Destroys the registry and the lock.
    void Term();

    HINSTANCE GetResourceInstance() const { return m_instance; }

    bool RegisterLoop(CMessageLoop* loop);  // for the calling thread
    bool UnregisterLoop();                  // the calling thread's first entry
    CMessageLoop* FindLoop();               // the calling thread's loop, or none

private:
    class Lock;

    HINSTANCE m_instance = nullptr;
    bool m_initialized = false;
    CRITICAL_SECTION m_lock{};
    // Two parallel arrays: thread ids and their loops.
    std::vector<DWORD> m_threadIds;
    std::vector<CMessageLoop*> m_loops;
};

// The one module of the process.
extern CAppModule g_appModule;
