// The elevated start on Windows through the shell: "Brightwell.exe" found in the current folder
// (the sample game stands in for it and records its parameters), with the "runas" verb where no
// prompt appears and the plain start of an accepted test prompt, the process handle waited on,
// and the shell's error when there is no such file.
#include "platform/Elevation.h"

#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <windows.h>

namespace fs = std::filesystem;
using Kestrel::Platform::ElevationAnswer;

namespace {

const std::string Parameters = "     -uac -u player -p 5f4dcc3b5aa765d61d8327deb882cf99";

// Wine runs the "runas" verb at once, without a prompt; Windows would ask the user.
bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

class ElevationWin32Test : public ::testing::Test {
protected:
    void TearDown() override { Kestrel::Platform::setElevationAnswerer({}); }

    void acceptPrompts() const {
        Kestrel::Platform::setElevationAnswerer(
            [](const std::string &) { return ElevationAnswer::Accept; });
    }

    // Starts the sample game as "Brightwell.exe" and checks what it was given.
    void startTheStandIn() const {
        // The sample game is built beside the tests' folder.
        const fs::path game =
            fs::path(Cobalt::executableFolder()).parent_path() / "samples" / "samplegame.exe";
        fs::copy_file(game, folder / "Brightwell.exe");
        const Kestrel::Platform::ElevationResult result =
            Kestrel::Platform::startElevated(Parameters, nullptr);
        ASSERT_TRUE(result.started) << result.error;
        ASSERT_NE(result.process, nullptr);
        EXPECT_GT(result.process->processId(), 0);
        EXPECT_TRUE(result.process->waitForEnd());
        EXPECT_TRUE(result.process->waitForEnd()) << "an ended copy stays ended";
        EXPECT_EQ(folder.read("samplegame-commandline.txt"),
                  "-uac -u player -p 5f4dcc3b5aa765d61d8327deb882cf99");
    }

    Testing::TempFolder folder;
    Testing::ScopedCurrentDirectory current{folder.path()};
};

TEST_F(ElevationWin32Test, AnAcceptedStartRunsBrightwellOfTheCurrentFolderAndIsWaitedFor) {
    acceptPrompts();
    startTheStandIn();
}

TEST_F(ElevationWin32Test, TheRunasVerbRunsBrightwellOfTheCurrentFolderAndIsWaitedFor) {
    if (!underWine())
        GTEST_SKIP() << "would bring up the elevation prompt";
    startTheStandIn();
}

TEST_F(ElevationWin32Test, WithoutBrightwellInTheCurrentFolderTheShellReportsTheMissingFile) {
    acceptPrompts();
    const Kestrel::Platform::ElevationResult result =
        Kestrel::Platform::startElevated(Parameters, nullptr);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, 2u) << "ERROR_FILE_NOT_FOUND";
    EXPECT_EQ(result.process, nullptr);
}

} // namespace
