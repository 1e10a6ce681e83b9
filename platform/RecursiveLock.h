// A lock that the owning thread may take again while holding it (a critical section on Windows).
#pragma once

#include <memory>

namespace Cobalt::Platform {

class RecursiveLock {
public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock &) = delete;
    RecursiveLock &operator=(const RecursiveLock &) = delete;

    void lock();
    void unlock();

private:
    struct Native;
    std::unique_ptr<Native> native;
};

} // namespace Cobalt::Platform
