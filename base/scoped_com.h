// A move-only owner of one COM interface pointer, released once.
#pragma once

#include <unknwn.h>

#include <utility>

namespace veltar {

template <typename Interface>
class ScopedCom {
public:
    ScopedCom() = default;
    ScopedCom(ScopedCom&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ScopedCom& operator=(ScopedCom&& other) noexcept {
        if (this != &other) {
            Reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;
    ~ScopedCom() { Reset(); }

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    // For the calls that hand out a new pointer; what was held is released first.
    Interface** Receive() {
        Reset();
        return &m_pointer;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() {
        if (m_pointer) m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace veltar
