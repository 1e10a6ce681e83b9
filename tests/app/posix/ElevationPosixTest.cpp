// The elevated start on POSIX systems: through pkexec found on PATH (a stand-in here that runs
// what it is given), a refused prompt without it, the program looked for in the current folder,
// the parameters split at blanks, and the wait for the copy's end.
#include "platform/Elevation.h"

#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;
using Kestrel::Platform::ElevationAnswer;

namespace {

class ElevationPosixTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder / "helpers"); }
    void TearDown() override { Kestrel::Platform::setElevationAnswerer({}); }

    // An executable shell script at relative.
    void script(const std::string &relative, const std::string &body) const {
        folder.write(relative, "#!/bin/sh\n" + body);
        fs::permissions(folder / relative, fs::perms::owner_all);
    }
    // The launcher stand-in in the current folder records the arguments it was given.
    void installLauncher() const {
        script("brightwell", "printf '%s|' \"$@\" > \"$0.arguments\"\n");
    }

    Testing::TempFolder folder;
    Testing::ScopedCurrentDirectory current{folder.path()};
    // Only the helpers folder: the machine's own pkexec, if any, is out of reach.
    Testing::ScopedVariable path{"PATH", folder / "helpers"};
};

const std::string Parameters = "     -uac -u player -p 5f4dcc3b5aa765d61d8327deb882cf99";
const std::string Arguments = "-uac|-u|player|-p|5f4dcc3b5aa765d61d8327deb882cf99|";

TEST_F(ElevationPosixTest, WithoutPkexecThePromptCountsAsRefused) {
    installLauncher();
    const Kestrel::Platform::ElevationResult result =
        Kestrel::Platform::startElevated(Parameters, nullptr);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, Kestrel::Platform::PromptRefused);
    EXPECT_EQ(result.process, nullptr);
}

TEST_F(ElevationPosixTest, PkexecRunsTheLauncherOfTheCurrentFolderAndTheWaitSeesItEnd) {
    installLauncher();
    script("helpers/pkexec", "printf '%s\\n' \"$1\" > \"$0.program\"\nexec \"$@\"\n");
    Kestrel::Platform::ElevationResult result =
        Kestrel::Platform::startElevated(Parameters, nullptr);
    ASSERT_TRUE(result.started);
    ASSERT_NE(result.process, nullptr);
    EXPECT_GT(result.process->processId(), 0);
    EXPECT_TRUE(result.process->waitForEnd());
    EXPECT_TRUE(result.process->waitForEnd()) << "an ended copy stays ended";
    EXPECT_EQ(folder.read("helpers/pkexec.program"), (folder / "brightwell") + "\n")
        << "pkexec is given the program's whole path";
    EXPECT_EQ(folder.read("brightwell.arguments"), Arguments) << "split at blanks";
}

TEST_F(ElevationPosixTest, WithoutTheLauncherInTheCurrentFolderNothingStarts) {
    script("helpers/pkexec", "exec \"$@\"\n");
    const Kestrel::Platform::ElevationResult result =
        Kestrel::Platform::startElevated(Parameters, nullptr);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, static_cast<unsigned long>(ENOENT));
}

} // namespace
