// An environment variable set for one scope, for POSIX tests of what reads the environment.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace Testing {

// Sets (or, for a null value, clears) an environment variable while it lives, then restores it.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name(name) {
        if (const char *old = std::getenv(name))
            saved = old;
        set(value);
    }
    ScopedVariable(const char *name, const std::string &value)
        : ScopedVariable(name, value.c_str()) {}
    ~ScopedVariable() { set(saved ? saved->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    void set(const char *value) const { value ? setenv(name, value, 1) : unsetenv(name); }

    const char *name;
    std::optional<std::string> saved;
};

} // namespace Testing
