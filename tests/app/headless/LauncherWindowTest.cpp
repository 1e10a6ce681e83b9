// The launcher over the in-memory window layer: the root element and logo from the configuration,
// the Login screen entered by loading, window updates on every state change, and window input
// that throws inside the main loop.
#include "app/LauncherApp.h"
#include "app/MainLoop.h"

#include "platform/headless/HeadlessWindows.h"
#include "tests/app/LauncherFixture.h"
#include "ui/WindowElement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <tuple>

namespace Headless = Kestrel::Platform::Headless;
using Kestrel::Platform::WindowHandle;

namespace {

const std::string LocalUrl = "<URL>http://127.0.0.1:9</URL>";
const std::string LoginSection =
    "<Login><usernameEdit><position>10 20</position><size>100 24</size></usernameEdit>"
    "<passwordEdit><password>true</password><position>10 50</position><size>100 24</size>"
    "</passwordEdit><rememberMe><position>10 80</position><size>16 16</size></rememberMe>"
    "<loginButton><text>Log in</text></loginButton></Login>";

class LauncherWindowTest : public Testing::LauncherFixture {
protected:
    void SetUp() override {
        Headless::resetMainWindowClass();
        ASSERT_TRUE(Kestrel::Platform::registerMainWindowClass({}));
        window = Kestrel::Platform::createMainWindow();
        root = std::make_unique<Kestrel::WindowElement>(window);
        app->setRootElement(root.get());
    }

    // The children of the main window of class className, in creation order.
    std::vector<WindowHandle> children(const std::wstring &className) const {
        std::vector<WindowHandle> found;
        for (WindowHandle candidate : Headless::windows())
            if (candidate->parent == window && candidate->className == className)
                found.push_back(candidate);
        return found;
    }

    // A fresh application loaded with the Login section over a credentials file of text; the
    // texts of its user and password fields and the state of its remember-me box.
    std::tuple<std::string, std::string, int> loginScreenFor(const std::string &text) {
        std::filesystem::create_directories(configurationFolder());
        folder.write("documents/Brightwell/configuration/c.xml", text);
        app = std::make_unique<Kestrel::LauncherApp>();
        app->setRootElement(root.get());
        EXPECT_TRUE(
            load(LoginSection + LocalUrl + "<credentialFile>configuration:c.xml</credentialFile>"));
        const std::vector<WindowHandle> edits = children(L"EDIT");
        const std::vector<WindowHandle> buttons = children(L"BUTTON");
        // Each load makes new windows; the box comes before the login button.
        return {edits[edits.size() - 2]->text, edits.back()->text,
                buttons[buttons.size() - 2]->check};
    }

    WindowHandle window = nullptr;
    std::unique_ptr<Kestrel::WindowElement> root;
};

TEST_F(LauncherWindowTest, TheRootNodeLaysOutTheMainWindow) {
    ASSERT_TRUE(load("<root><text>Brightwell Test</text><position>30 40</position>"
                     "<size>380 360</size></root>" +
                     LocalUrl));
    EXPECT_EQ(std::make_tuple(window->text, window->rect.left, window->rect.bottom),
              std::make_tuple("Brightwell Test", 30, 400));
    EXPECT_EQ(window->subclass, root.get());
}

TEST_F(LauncherWindowTest, TheLogoLoadsFromThePlainFileName) {
    folder.write("logo.bmp", std::string("BM") + std::string(60, '\0'));
    ASSERT_TRUE(load("<logo>logo.bmp</logo>" + LocalUrl));
    ASSERT_FALSE(Headless::bitmapLoads().empty());
    EXPECT_EQ(Headless::bitmapLoads().back().path, "logo.bmp");
    EXPECT_EQ(std::make_pair(Headless::bitmapLoads().back().loaded, app->getLogo() != nullptr),
              std::make_pair(true, true));

    app = std::make_unique<Kestrel::LauncherApp>();
    ASSERT_TRUE(load("<logo>missing.bmp</logo>" + LocalUrl));
    EXPECT_EQ(std::make_pair(Headless::bitmapLoads().back().loaded, app->getLogo() != nullptr),
              std::make_pair(false, false));
}

TEST_F(LauncherWindowTest, LoadingEntersTheLoginScreenEvenWithoutAnAddress) {
    EXPECT_FALSE(load(LoginSection));
    const std::vector<WindowHandle> edits = children(L"EDIT");
    ASSERT_EQ(edits.size(), 2u);
    Kestrel::Platform::showWindow(window, Kestrel::Platform::ShowShow);
    EXPECT_TRUE(Headless::isVisible(edits[0]) && Headless::isVisible(edits[1]))
        << "entered, so shown";
    EXPECT_EQ(edits[1]->style & 0x20u, 0x20u) << "the password field hides its characters";
}

TEST_F(LauncherWindowTest, TheLoginScreenShowsRememberedCredentials) {
    const std::string digest = "0cc175b9c0f1b6a831c399e269772661";
    EXPECT_EQ(loginScreenFor("<userID>ann</userID><password>" + digest + "</password>"),
              std::make_tuple("ann", digest, 1))
        << "remember-me ticked";
    EXPECT_EQ(loginScreenFor("<userID>bob</userID>"), std::make_tuple("bob", "", 0));
}

TEST_F(LauncherWindowTest, ErrorsOfWindowInputAreShownByTheLoopAndReachTransfers) {
    ASSERT_TRUE(load(LocalUrl));
    Kestrel::MainLoop loop(*app, window, [] { return 0.0; });
    Headless::post([] { throw std::runtime_error("from a control"); });
    Headless::post([] { throw std::runtime_error("inside a transfer"); });
    loop.runPass();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "An Error Occured.\nfrom a control");
    EXPECT_EQ(Headless::pendingInputs(), 1u) << "one message per pass";
    EXPECT_THROW(loop.pumpOnce(), std::runtime_error);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Headless::pendingInputs(), 0u);
}

} // namespace
