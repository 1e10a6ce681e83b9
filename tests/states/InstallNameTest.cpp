// Names that stay inside the installation, and every way a name can leave it or reach the
// launcher's staging folder.
#include "states/InstallName.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallNameTest, RelativeNamesInsideTheInstallationPass) {
    for (const char *name : {"data\\maps\\one.map", "./here.txt", "folder/", "..name", "a/b../c",
                             ".", "a/.brightwell/x", ".brightwellx/y", "caf\xc3\xa9.txt"})
        EXPECT_TRUE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

TEST(InstallNameTest, AbsoluteDriveMountClimbingControlAndStagingNamesAreRefused) {
    for (const char *name :
         {"", "/etc/passwd", "\\\\server\\share\\x", "C:game.exe", "temp:evil.dll",
          "file.txt:stream", "..", "a\\..\\..\\x", "a/..", "a/.../b", "a/. ./b", "line\nfeed.txt",
          "tab\t.txt", "del\x7f.txt", ".brightwell/x.zip", "./.BrightWell. /x", ".brightwell"})
        EXPECT_FALSE(Kestrel::isSafeInstallName(name)) << '"' << name << '"';
}

} // namespace
