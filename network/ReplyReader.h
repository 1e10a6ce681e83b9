// Reading the plain-text replies of the server script: login and version check.
#pragma once

#include "network/AuthStatus.h"
#include "network/ServerStatus.h"

#include <string>

namespace KSNetwork {

// Reads a login reply body (trimmed here) into status and returns status.ok. Throws
// std::runtime_error "Invalid Authentication response \n" + reply for an OK line without exactly
// three fields, "Unexpected server response :: " + reply for anything but OK or FAILED; status
// is untouched then.
bool readAuthReply(const std::string &body, AuthStatus &status);

// Reads a version check reply body (trimmed here) into both statuses and returns the manifest
// status's ok. Throws std::runtime_error "Invalid CheckVersion response \n" + reply for a KO line
// with fewer than three fields, "Unexpected server response :: " + reply for anything else
// unknown; the statuses are untouched then.
bool readVersionReply(const std::string &body, ServerStatus &launcherStatus,
                      ServerStatus &manifestStatus);

} // namespace KSNetwork
