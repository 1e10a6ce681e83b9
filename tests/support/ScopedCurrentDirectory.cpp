#include "tests/support/ScopedCurrentDirectory.h"

#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

namespace Testing {

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string &folder)
    : previous(std::filesystem::current_path()) {
    EXPECT_TRUE(Cobalt::setCurrentDirectory(folder)) << folder;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    Cobalt::setCurrentDirectory(previous.string());
}

} // namespace Testing
