// The reply to a login: the status and the property lines that followed an accepted login.
#pragma once

#include "network/ServerStatus.h"

#include <map>
#include <string>

namespace KSNetwork {

struct AuthStatus : ServerStatus {
    std::map<std::string, std::string> properties;
};

} // namespace KSNetwork
