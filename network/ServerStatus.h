// One half of a server reply: whether it was good and the two values that came with it.
#pragma once

#include <string>

namespace KSNetwork {

struct ServerStatus {
    bool ok = false;
    std::string value1;
    std::string value2;

    // Assigns all three fields at once, as every reply does.
    void set(bool isOk, const std::string &first, const std::string &second) {
        ok = isOk;
        value1 = first;
        value2 = second;
    }
};

} // namespace KSNetwork
