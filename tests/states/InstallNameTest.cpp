// Names that stay inside the installation, and every way a name can leave it.
#include "states/InstallName.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallNameTest, RelativeNamesInsideTheInstallationPass) {
    for (const char *name :
         {"data\\maps\\one.map", "./here.txt", "folder/", "..name", "a/b../c", "."})
        EXPECT_TRUE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

TEST(InstallNameTest, AbsoluteDriveMountAndClimbingNamesAreRefused) {
    for (const char *name : {"", "/etc/passwd", "\\\\server\\share\\x", "C:game.exe", "temp:evil.dll",
                             "file.txt:stream", "..", "a\\..\\..\\x", "a/..", "a/.../b", "a/. ./b"})
        EXPECT_FALSE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

} // namespace
