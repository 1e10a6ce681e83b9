// The engine object: owns the file server and reaches the log; one is current per process.
#pragma once

#include <memory>

namespace Cobalt {

class Log;
namespace IO {
class FileServer;
}

class Engine {
public:
    // Fetches the log and creates the file server (whose disk file system makes the executable's
    // folder the current directory).
    Engine();
    // Logs "Destroying game", destroys the file server and closes the log's outputs.
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // The current engine, or null before startEngine and after shutdownEngine.
    static Engine *instance();

    IO::FileServer *getFileServer() const { return fileServer.get(); }
    Log *getLog() const { return log; }

private:
    Log *log;
    std::unique_ptr<IO::FileServer> fileServer;
};

// Creates a new engine, destroys the one that was current, and makes the new one current.
Engine *startEngine();
// Destroys the current engine, if any.
void shutdownEngine();

} // namespace Cobalt
