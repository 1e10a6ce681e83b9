// A request with an action of the publisher's own, and which stored values go with it.
#pragma once

#include <map>
#include <string>

namespace KSNetwork {

struct CustomMessage {
    bool sendUid = false;
    bool sendPw = false;
    bool sendLog = false;
    std::string action;
    // Further parameters; their values are percent-encoded on the way out.
    std::map<std::string, std::string> parameters;
};

} // namespace KSNetwork
