// An HTTP server on 127.0.0.1 that answers each connection with exactly the bytes a test gives
// it, for replies no real server sends (broken status lines, short bodies, zero bytes).
#pragma once

#include "network/TransferSettings.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

class Socket;

// What one connection gets once its request head is read: the parts, a pause between each two
// (so they arrive apart), then the end.
struct ScriptedReply {
    enum class End { Close, Reset, Stall };
    std::vector<std::string> parts;
    // Stall keeps the connection open, silent, until the client leaves.
    End end = End::Close;
    int pauseMilliseconds = 30;
};

class ScriptedServer {
public:
    // The reply to the index-th connection (from 0), given its request head.
    using Script = std::function<ScriptedReply(int index, const std::string &head)>;

    // Listens on a free port of 127.0.0.1. Each of the first connections gets the parts, then is
    // closed.
    explicit ScriptedServer(std::vector<std::string> parts, int connections = 1);
    // The same with each connection's reply given by script.
    ScriptedServer(Script script, int connections);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    // "http://127.0.0.1:<port>/ksclient/ksserver.php".
    std::string url() const;
    // The request line of every request read so far, without its CR LF.
    std::vector<std::string> requestLines() const;
    // The whole request head of every request read so far.
    std::vector<std::string> requestHeads() const;

private:
    void serve(int connections);
    void answer(const Socket &connection, int index);
    void waitForClient(const Socket &connection) const;

    Script script;
    std::unique_ptr<Socket> listener;
    mutable std::mutex requestsLock;
    std::vector<std::string> requests;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

// A port of 127.0.0.1 on which nothing listens (it was free a moment ago).
int closedLoopbackPort();

// Transfer settings that try once, for the text of a single failure.
KSNetwork::TransferSettings singleTry();

} // namespace Testing
