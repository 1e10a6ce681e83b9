// The current engine: its construction, destruction and process-wide slot.
#include "app/Engine.h"

#include "app/Log.h"
#include "io/FileServerImpl.h"

namespace Cobalt {

namespace {
std::unique_ptr<Engine> &current() {
    static std::unique_ptr<Engine> engine;
    return engine;
}
} // namespace

Engine::Engine() : log(&Log::instance()), fileServer(std::make_unique<IO::FileServerImpl>()) {}

Engine::~Engine() {
    log->message("Destroying game");
    fileServer.reset();
    log->closeOutputs();
}

Engine *Engine::instance() { return current().get(); }

Engine *startEngine() {
    auto engine = std::make_unique<Engine>();
    current() = std::move(engine);
    return current().get();
}

void shutdownEngine() { current().reset(); }

} // namespace Cobalt
