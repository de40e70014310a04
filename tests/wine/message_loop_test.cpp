#include "app/message_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_module.h"

namespace {

// Records what it is asked and consumes what it is told to.
class RecordingFilter final : public CMessageFilter {
public:
    RecordingFilter(std::string name, std::vector<std::string>& log, UINT consumes = 0)
        : m_name(std::move(name)), m_log(log), m_consumes(consumes) {}
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message >= WM_APP) m_log.push_back(m_name);
        return m_consumes != 0 && pMsg->message == m_consumes;
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    UINT m_consumes;
};

// Logs the idle passes and the messages of one scenario: the first idle pass
// posts one message and starts a short thread timer; the timer's tick lets the
// next idle pass end the loop. A watchdog timer ends a loop gone astray.
class IdleScenario final : public CMessageFilter, public CIdleHandler {
public:
    explicit IdleScenario(UINT message) : m_message(message) {}
    ~IdleScenario() { KillTimer(nullptr, m_watchdog); }

    BOOL OnIdle() override {
        log.push_back("idle");
        if (log.size() == 1) {
            PostThreadMessageW(GetCurrentThreadId(), m_message, 0, 0);
            m_tick = SetTimer(nullptr, 0, 50, nullptr);
        } else if (m_ticked) {
            PostQuitMessage(7);
        }
        return TRUE;
    }

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == m_message) log.push_back("message");
        if (pMsg->message == WM_TIMER && !pMsg->hwnd && pMsg->wParam == m_tick) {
            KillTimer(nullptr, m_tick);
            m_ticked = true;
            log.push_back("tick");
        }
        if (pMsg->message == WM_TIMER && !pMsg->hwnd && pMsg->wParam == m_watchdog) PostQuitMessage(-1);
        return TRUE;
    }

    std::vector<std::string> log;

private:
    UINT m_message;
    UINT_PTR m_tick = 0;
    UINT_PTR m_watchdog = SetTimer(nullptr, 0, 10000, nullptr);
    bool m_ticked = false;
};

int RunScenario(IdleScenario& scenario) {
    CMessageLoop loop;
    loop.RegisterFilter(&scenario);
    loop.RegisterIdleHandler(&scenario);
    return loop.RunLoop();
}

TEST(MessageLoop, TheQuitCodeBecomesTheResult) {
    CMessageLoop loop;
    PostQuitMessage(42);
    EXPECT_EQ(loop.RunLoop(), 42);
}

TEST(MessageLoop, TheLastRegisteredFilterIsAskedFirstAndCanConsume) {
    std::vector<std::string> log;
    CMessageLoop loop;
    RecordingFilter first("first", log), second("second", log, WM_APP + 1);
    loop.RegisterFilter(&first);
    loop.RegisterFilter(&second);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 1, 0, 0);
    PostQuitMessage(0);
    loop.RunLoop();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first", "second"}));
}

TEST(MessageLoop, UnregisteringAnAbsentFilterLeavesTheListAsItWas) {
    std::vector<std::string> log;
    CMessageLoop loop;
    RecordingFilter a("a", log), b("b", log), absent("absent", log);
    loop.RegisterFilter(&a);
    loop.RegisterFilter(&b);
    EXPECT_FALSE(loop.UnregisterFilter(&absent));
    EXPECT_TRUE(loop.UnregisterFilter(&a));
    EXPECT_FALSE(loop.UnregisterFilter(&a));
    MSG message{};
    message.message = WM_APP;
    loop.PreTranslateMessage(&message);
    EXPECT_EQ(log, (std::vector<std::string>{"b"}));
}

TEST(MessageLoop, MouseMovesAndPaintsDoNotRerunTheIdlePass) {
    for (UINT quiet : {UINT{WM_MOUSEMOVE}, UINT{WM_NCMOUSEMOVE}, UINT{WM_PAINT}, UINT{0x0118}}) {
        IdleScenario scenario(quiet);
        EXPECT_EQ(RunScenario(scenario), 7);
        EXPECT_EQ(scenario.log, (std::vector<std::string>{"idle", "message", "tick", "idle"})) << quiet;
    }
}

TEST(MessageLoop, OtherMessagesRerunTheIdlePassOnceTheQueueIsEmpty) {
    IdleScenario scenario(WM_APP);
    EXPECT_EQ(RunScenario(scenario), 7);
    EXPECT_EQ(scenario.log, (std::vector<std::string>{"idle", "message", "idle", "tick", "idle"}));
}

TEST(AppModule, FindsTheLoopOfTheCallingThreadOnly) {
    CAppModule module;
    module.Init(GetModuleHandleW(nullptr));
    CMessageLoop loop;
    EXPECT_EQ(module.FindLoop(), nullptr);
    EXPECT_TRUE(module.RegisterLoop(&loop));
    EXPECT_EQ(module.FindLoop(), &loop);

    struct Probe {
        CAppModule* module;
        CMessageLoop* found;
    } probe{&module, &loop};
    struct Thread {
        static DWORD WINAPI Run(void* p) {
            auto* probe = static_cast<Probe*>(p);
            probe->found = probe->module->FindLoop();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, Thread::Run, &probe, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(probe.found, nullptr);

    EXPECT_TRUE(module.UnregisterLoop());
    EXPECT_FALSE(module.UnregisterLoop());
    EXPECT_EQ(module.FindLoop(), nullptr);
    module.Term();
}

}  // namespace
