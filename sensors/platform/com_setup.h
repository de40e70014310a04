// The thread's COM set-up that the management-service queries run under.
#pragma once

namespace veltar {

// COM in the multithreaded apartment, then the process-wide security: default
// authentication, impersonation, no capabilities. Returns whether COM was
// initialised, and so is the caller's to uninitialise; a failure of the security
// set-up shows up where the queries fail.
bool InitializeComForQueries();

}  // namespace veltar
