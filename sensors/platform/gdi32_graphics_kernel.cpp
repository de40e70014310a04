#include "sensors/platform/gdi32_graphics_kernel.h"

#include <windows.h>

#include "base/module_function.h"

namespace veltar {
namespace {

using EnumFunction = NTSTATUS(APIENTRY*)(EnumAdapters2Argument*);
using QueryFunction = NTSTATUS(APIENTRY*)(const QueryAdapterInfoArgument*);
using CloseFunction = NTSTATUS(APIENTRY*)(const CloseAdapterArgument*);

struct Functions {
    EnumFunction enumAdapters = nullptr;
    QueryFunction query = nullptr;
    CloseFunction close = nullptr;
    bool found() const { return enumAdapters && query && close; }
};

// The functions of whatever gdi32.dll the process loaded, found at the first use.
const Functions& Gdi32() {
    static const Functions functions = [] {
        const HMODULE gdi32 = GetModuleHandleW(L"gdi32.dll");
        return Functions{ModuleFunction<EnumFunction>(gdi32, "D3DKMTEnumAdapters2"),
                         ModuleFunction<QueryFunction>(gdi32, "D3DKMTQueryAdapterInfo"),
                         ModuleFunction<CloseFunction>(gdi32, "D3DKMTCloseAdapter")};
    }();
    return functions;
}

}  // namespace

NtStatus Gdi32GraphicsKernel::EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) {
    if (!Gdi32().found()) return kStatusProcedureNotFound;
    EnumAdapters2Argument argument{*count, adapters};
    const NTSTATUS status = Gdi32().enumAdapters(&argument);
    *count = argument.NumAdapters;
    return status;
}

NtStatus Gdi32GraphicsKernel::QueryPerfData(std::uint32_t adapter, AdapterPerfData* data) {
    if (!Gdi32().found()) return kStatusProcedureNotFound;
    const QueryAdapterInfoArgument argument{adapter, kAdapterPerfDataQuery, data, sizeof *data};
    return Gdi32().query(&argument);
}

NtStatus Gdi32GraphicsKernel::QueryPerfDataCaps(std::uint32_t adapter, AdapterPerfDataCaps* caps) {
    if (!Gdi32().found()) return kStatusProcedureNotFound;
    const QueryAdapterInfoArgument argument{adapter, kAdapterPerfDataCapsQuery, caps, sizeof *caps};
    return Gdi32().query(&argument);
}

NtStatus Gdi32GraphicsKernel::CloseAdapter(std::uint32_t adapter) {
    if (!Gdi32().found()) return kStatusProcedureNotFound;
    const CloseAdapterArgument argument{adapter};
    return Gdi32().close(&argument);
}

}  // namespace veltar
