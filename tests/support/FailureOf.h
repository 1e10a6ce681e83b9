// The text of the failure a piece of work throws, for tests that pin exact messages.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace Testing {

// The message of the std::exception that work throws; empty when it throws none.
inline std::string failureOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const std::exception &error) {
        return error.what();
    }
    return std::string();
}

} // namespace Testing
