// Renders one tagged value (VARIANT) as text, choosing the format by its type code.
#pragma once

#include <string>

#include "sensors/platform/value_record.h"

namespace veltar {

// Replaces out with the text of value. Types without a text give the empty text.
void FormatVariant(std::u16string& out, const VARIANT& value);

}  // namespace veltar
