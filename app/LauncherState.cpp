// The base behaviour of a launcher state: nothing to do in any step.
#include "app/LauncherState.h"

#include <utility>

namespace Kestrel {

LauncherState::LauncherState(std::string name) : name(std::move(name)) {}

LauncherState::~LauncherState() = default;

void LauncherState::enter() {}

void LauncherState::leave() {}

bool LauncherState::load(Cobalt::InputArchive &) { return true; }

void LauncherState::update(float, float) {}

void LauncherState::showRetrying(const std::string &) {}

} // namespace Kestrel
