// A machine-wide named mutex that monitoring tools share around each exchange
// on a bus, waited for at most 100 ms; one abandoned by a tool that died counts
// as had.
#pragma once

#include <windows.h>

#include "base/scoped_win.h"
#include "hardware/bus_lock.h"

namespace veltar::hardware {

inline constexpr wchar_t kIsaBusMutexName[] = L"Global\\Access_ISABUS.HTP.Method";
inline constexpr wchar_t kSmbusMutexName[] = L"Global\\Access_SMBUS.HTP.Method";
inline constexpr wchar_t kPciMutexName[] = L"Global\\Access_PCI";

class NamedBusMutex final : public BusLock {
public:
    explicit NamedBusMutex(const wchar_t* name);
    bool Acquire() override;
    void Release() override;

private:
    ScopedHandle m_mutex;
};

}  // namespace veltar::hardware
