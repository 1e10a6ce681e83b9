// The scripted HTTP server of the network tests.
#include "tests/network/ScriptedServer.h"

#include <chrono>

namespace Testing {

namespace {
constexpr int PollMilliseconds = 50;
constexpr auto PauseBetweenParts = std::chrono::milliseconds(30);
} // namespace

ScriptedServer::ScriptedServer(std::vector<std::string> scriptedParts, int connections)
    : parts(std::move(scriptedParts)), connectionsLeft(connections),
      listener(LoopbackSocket::listenOnFreePort()), listeningPort(listener.port()) {
    worker = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer() {
    stopping = true;
    if (worker.joinable())
        worker.join();
}

std::string ScriptedServer::url(const std::string &path) const {
    return "http://127.0.0.1:" + std::to_string(listeningPort) + path;
}

std::string ScriptedServer::request() {
    // The exchange is over by now; this only ends the wait for the client to close.
    stopping = true;
    if (worker.joinable())
        worker.join();
    return received;
}

std::string ScriptedServer::requestLine() {
    const std::string head = request();
    return head.substr(0, head.find("\r\n"));
}

bool ScriptedServer::waitForConnection() {
    while (!stopping)
        if (listener.waitReadable(PollMilliseconds))
            return true;
    return false;
}

std::string ScriptedServer::readRequestHead(const LoopbackSocket &connection) {
    std::string head;
    char block[4096];
    while (head.find("\r\n\r\n") == std::string::npos && !stopping) {
        if (!connection.waitReadable(PollMilliseconds))
            continue;
        const long count = connection.receive(block, sizeof block);
        if (count <= 0)
            break;
        head.append(block, static_cast<std::size_t>(count));
    }
    return head;
}

void ScriptedServer::serve() {
    for (; connectionsLeft > 0 && listener.valid(); --connectionsLeft) {
        if (!waitForConnection())
            return;
        const LoopbackSocket connection = listener.accept();
        if (!connection.valid())
            return;
        answer(connection);
    }
}

void ScriptedServer::answer(const LoopbackSocket &connection) {
    received = readRequestHead(connection);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(PauseBetweenParts);
        if (!connection.sendAll(parts[i]))
            return;
    }
    connection.shutdownSending();
    // Drain until the client closes (or, keeping the connection, makes a new one), so that the
    // close does not reset data it has not read yet.
    char block[256];
    while (!stopping && !listener.waitReadable(0))
        if (connection.waitReadable(PollMilliseconds) &&
            connection.receive(block, sizeof block) <= 0)
            break;
}

int closedLoopbackPort() {
    const LoopbackSocket probe = LoopbackSocket::listenOnFreePort();
    return probe.port();
}

} // namespace Testing
