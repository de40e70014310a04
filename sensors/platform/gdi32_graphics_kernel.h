// The graphics kernel through the three D3DKMT functions of the process's
// gdi32.dll, looked up once; where one is missing (Windows before 10 1803),
// every call answers kStatusProcedureNotFound.
#pragma once

#include "sensors/platform/graphics_kernel.h"

namespace veltar {

class Gdi32GraphicsKernel final : public GraphicsKernel {
public:
    NtStatus EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) override;
    NtStatus QueryPerfData(std::uint32_t adapter, AdapterPerfData* data) override;
    NtStatus QueryPerfDataCaps(std::uint32_t adapter, AdapterPerfDataCaps* caps) override;
    NtStatus CloseAdapter(std::uint32_t adapter) override;
};

}  // namespace veltar
