// The launcher's window over the in-memory window layer: the logo the configuration names, and
// window input that throws inside the main loop.
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/headless/LaunchTest.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace Headless = Kestrel::Platform::Headless;

namespace {

using LauncherWindowTest = Testing::LaunchTest;

TEST_F(LauncherWindowTest, TheLogoLoadsFromThePlainFileName) {
    folder.write("logo.bmp", std::string("BM") + std::string(60, '\0'));
    start({{"logo", "logo.bmp"}});
    EXPECT_EQ(Headless::bitmapLoads().back().path, "logo.bmp");
    EXPECT_NE(app->getLogo(), nullptr);
    start({{"logo", "missing.bmp"}});
    EXPECT_EQ(app->getLogo(), nullptr);
}

TEST_F(LauncherWindowTest, ErrorsOfWindowInputAreShownByTheLoopAndReachTransfers) {
    start();
    Headless::post([] { throw std::runtime_error("from a control"); });
    Headless::post([] { throw std::runtime_error("inside a transfer"); });
    pass();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "An Error Occured.\nfrom a control");
    EXPECT_EQ(Headless::pendingInputs(), 1u) << "one message per pass";
    EXPECT_THROW(loop->pumpOnce(), std::runtime_error);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Headless::pendingInputs(), 0u);
}

} // namespace
