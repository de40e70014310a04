// Runs one WQL query and collects every non-system property of every returned
// object as text into a property table.
#pragma once

#include <string_view>

#include "sensors/property_table.h"
#include "sensors/wmi_connections.h"

namespace veltar {

// Inserts the names of the first object that yields them and appends one text
// per object to every entry of the table, on the namespace's kept connection.
// Returns the status of the last call made.
HRESULT QueryWmiProperties(PropertyTable& table, std::u16string_view query, std::u16string_view nameSpace,
                           std::u16string_view language, WmiConnections& connections);

}  // namespace veltar
