// The thread's message loop with its message filters and idle handlers.
#pragma once

#include <windows.h>

#include <vector>

class CMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    // Asks the filters from the last registered to the first; true consumes the message.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Runs every idle handler, first registered first, and asks for no more idle time.
    virtual BOOL OnIdle(int nIdleCount);

    bool RegisterFilter(CMessageFilter* filter);
    bool UnregisterFilter(CMessageFilter* filter);
    bool RegisterIdleHandler(CIdleHandler* handler);
    bool UnregisterIdleHandler(CIdleHandler* handler);

    // Runs until the quit message and returns its code.
    int RunLoop();

private:
    std::vector<CMessageFilter*> m_aMsgFilter;
    std::vector<CIdleHandler*> m_aIdleHandler;
    MSG m_msg{};
};
