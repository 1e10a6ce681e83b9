// How long a transfer may wait for the server, and how often and how patiently a failed one is
// tried again. The defaults suit a player on a slow link; launcher.xml may change them.
#pragma once

namespace KSNetwork {

struct TransferSettings {
    // Connecting gives up after this many seconds.
    double connectSeconds = 20.0;
    // A transfer that receives nothing for this many seconds gives up (whole seconds, at least 1).
    double receiveSeconds = 30.0;
    // A transient failure is tried again this many times...
    unsigned retries = 3;
    // ...after a wait of this many seconds, doubled before each further try (1, 2, 4).
    double firstRetryWait = 1.0;
};

} // namespace KSNetwork
