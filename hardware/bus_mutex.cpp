#include "hardware/bus_mutex.h"

namespace veltar::hardware {
namespace {

constexpr DWORD kWaitMs = 100;

}  // namespace

// Made by a program with other rights, the mutex may still be opened to wait on.
NamedBusMutex::NamedBusMutex(const wchar_t* name) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    if (!mutex) mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
    m_mutex = ScopedHandle(mutex);
}

bool NamedBusMutex::Acquire() {
    if (!m_mutex) return false;
    const DWORD wait = WaitForSingleObject(m_mutex.get(), kWaitMs);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

void NamedBusMutex::Release() { ReleaseMutex(m_mutex.get()); }

}  // namespace veltar::hardware
