#include "sensors/platform/machine_report.h"

namespace veltar {

std::u16string GetTemperatureReport() { return MachineReader().Report(); }

}  // namespace veltar
