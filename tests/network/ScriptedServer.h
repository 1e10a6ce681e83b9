// An HTTP server on 127.0.0.1 that answers each connection with exactly the bytes a test gives
// it, for replies no real server sends (broken status lines, short bodies, zero bytes).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

class Socket;

class ScriptedServer {
public:
    // Listens on a free port of 127.0.0.1. Each of the first connections gets the parts once its
    // request head is read, with short pauses between them (so they arrive apart), then is closed.
    explicit ScriptedServer(std::vector<std::string> parts, int connections = 1);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    // "http://127.0.0.1:<port>/ksclient/ksserver.php".
    std::string url() const;
    // The request line of every request read so far, without its CR LF.
    std::vector<std::string> requestLines() const;

private:
    void serve(int connections);
    void answer(const Socket &connection);

    std::vector<std::string> parts;
    std::unique_ptr<Socket> listener;
    mutable std::mutex requestsLock;
    std::vector<std::string> requests;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

// A port of 127.0.0.1 on which nothing listens (it was free a moment ago).
int closedLoopbackPort();

} // namespace Testing
