// The named mutex that tools touching a shared bus hold around each exchange,
// as the chip logic sees it, and the span of one exchange that holds it.
#pragma once

namespace veltar::hardware {

class BusLock {
public:
    virtual ~BusLock() = default;
    // False when it is not had within the wait.
    virtual bool Acquire() = 0;
    virtual void Release() = 0;
};

// The lock held for the span of one exchange, where it was had.
class Held {
public:
    explicit Held(BusLock& lock) : m_lock(lock), m_held(lock.Acquire()) {}
    ~Held() {
        if (m_held) m_lock.Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    explicit operator bool() const { return m_held; }

private:
    BusLock& m_lock;
    bool m_held;
};

}  // namespace veltar::hardware
