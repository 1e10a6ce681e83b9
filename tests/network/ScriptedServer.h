// An HTTP server on 127.0.0.1 that answers each connection with exactly the bytes a test gives
// it, for replies no real server sends (broken status lines, short bodies, zero bytes).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

class Socket;

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
    // The last request line (without its CR LF), once the exchanges have ended; empty if none came.
    std::string requestLine();

private:
    void serve(int connections);
    void answer(const Socket &connection);

    std::vector<std::string> parts;
    std::unique_ptr<Socket> listener;
    std::string received;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

// A port of 127.0.0.1 on which nothing listens (it was free a moment ago).
int closedLoopbackPort();

} // namespace Testing
