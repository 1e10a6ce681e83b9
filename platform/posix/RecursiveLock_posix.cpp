// The recursive lock on POSIX systems, over the standard recursive mutex.
#include "platform/RecursiveLock.h"

#include <mutex>

namespace Cobalt::Platform {

struct RecursiveLock::Native {
    std::recursive_mutex mutex;
};

RecursiveLock::RecursiveLock() : native(std::make_unique<Native>()) {}

RecursiveLock::~RecursiveLock() = default;

void RecursiveLock::lock() { native->mutex.lock(); }

void RecursiveLock::unlock() { native->mutex.unlock(); }

} // namespace Cobalt::Platform
