// Names that stay inside the installation, and every way a name can leave it.
#include "states/InstallName.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallNameTest, RelativeNamesInsideTheInstallationPass) {
    for (const char *name :
         {"game.exe", "data/maps/one.map", "data\\maps\\one.map", "./here.txt", "a/./b", "folder/",
          "..name", "name..", "a/..b/c", "a/b../c", ".hidden", "a b/c d.txt", "."})
        EXPECT_TRUE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

TEST(InstallNameTest, AbsoluteDriveMountAndClimbingNamesAreRefused) {
    for (const char *name : {"",
                             "/etc/passwd",
                             "\\Windows\\win.ini",
                             "\\\\server\\share\\x",
                             "C:\\game.exe",
                             "C:game.exe",
                             "c:/x",
                             "temp:evil.dll",
                             "configuration:credentials.xml",
                             "file.txt:stream",
                             "..",
                             "../x",
                             "..\\x",
                             "a/../../x",
                             "a\\..\\..\\x",
                             "a/..",
                             "a\\..",
                             "a/../b",
                             "a/.../b",
                             "a/.. /b",
                             "a/. ./b",
                             "a/ ../b",
                             "a\\..."})
        EXPECT_FALSE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

} // namespace
