// The thread's COM set-up that the management-service queries run under.
#pragma once

namespace veltar {

// COM in the multithreaded apartment, then the process-wide security: default
// authentication, impersonation, no capabilities. Results are not consulted:
// a failure shows up where the queries fail.
void InitializeComForQueries();

}  // namespace veltar
