// File names a Windows installation can hold, and the ones a release made elsewhere must not use.
#include "tools/release/PortableName.h"

#include <gtest/gtest.h>

namespace {

TEST(PortableNameTest, PlainNamesPass) {
    for (const char *name : {"data/maps/one.map", "a b/c-d_e+f (1).txt", "CONSOLE.txt", "LPT10"})
        EXPECT_EQ(Release::portableNameProblem(name), "") << name;
}

TEST(PortableNameTest, NamesWindowsCannotHoldAreExplained) {
    const std::pair<const char *, const char *> cases[] = {
        {"what?.txt", "Windows cannot hold the character ? in a file name"},
        {"a\\b", "Windows cannot hold the character \\ in a file name"},
        {"caf\xc3\xa9.txt", "only printable ASCII characters keep their meaning on every system"},
        {"trailing./x", "a name part ends in a dot or a blank"},
        {"data/Nul.txt", "\"Nul.txt\" is a device name on Windows"},
    };
    for (const auto &[name, problem] : cases)
        EXPECT_EQ(Release::portableNameProblem(name), problem) << name;
}

} // namespace
