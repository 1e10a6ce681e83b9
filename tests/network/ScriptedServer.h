// An HTTP server on 127.0.0.1 that answers one connection with exactly the bytes a test gives it,
// for replies no real server sends (broken status lines, short bodies, zero bytes).
#pragma once

#include "tests/network/LoopbackSocket.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

class ScriptedServer {
public:
    // Listens on a free port of 127.0.0.1. For each of the first connections: the request head is
    // read, the parts are sent in order with a short pause between them (so that they tend to
    // arrive as separate chunks), and the connection is closed.
    explicit ScriptedServer(std::vector<std::string> parts, int connections = 1);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string &path = "/ksclient/ksserver.php") const;
    // The request line and headers last received; call it once the exchanges have ended. Empty
    // when no request came.
    std::string request();
    // The request line alone (without its CR LF).
    std::string requestLine();

private:
    void serve();
    void answer(const LoopbackSocket &connection);
    bool waitForConnection();
    std::string readRequestHead(const LoopbackSocket &connection);

    std::vector<std::string> parts;
    int connectionsLeft;
    LoopbackSocket listener;
    int listeningPort = 0;
    std::string received;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

// A port of 127.0.0.1 on which nothing listens (it was free a moment ago).
int closedLoopbackPort();

} // namespace Testing
