#include "sensors/platform/com_setup.h"

#include <objbase.h>

namespace veltar {

bool InitializeComForQueries() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);
    return SUCCEEDED(hr);
}

}  // namespace veltar
