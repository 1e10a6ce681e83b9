// The recursive lock on Windows: one critical section per lock.
#include "platform/RecursiveLock.h"

#include <windows.h>

namespace Cobalt::Platform {

struct RecursiveLock::Native {
    CRITICAL_SECTION section;
};

RecursiveLock::RecursiveLock() : native(std::make_unique<Native>()) {
    InitializeCriticalSection(&native->section);
}

RecursiveLock::~RecursiveLock() { DeleteCriticalSection(&native->section); }

void RecursiveLock::lock() { EnterCriticalSection(&native->section); }

void RecursiveLock::unlock() { LeaveCriticalSection(&native->section); }

} // namespace Cobalt::Platform
