// The per-test main window and its root element.
#include "tests/ui/ElementFixture.h"

namespace UiTesting {

MainWindowEvents &mainWindowEvents() {
    static MainWindowEvents events;
    return events;
}

void ElementTest::SetUp() {
    static const bool registered = Kestrel::Platform::registerMainWindowClass(
        {[] { ++mainWindowEvents().destroyed; }, [] { return mainWindowEvents().logo; }});
    ASSERT_TRUE(registered);
    ASSERT_TRUE(Kestrel::Platform::initCommonControls());
    mainWindow = Kestrel::Platform::createMainWindow();
    ASSERT_NE(mainWindow, nullptr);
    root = std::make_unique<Kestrel::WindowElement>(mainWindow);
    root->create();
    Kestrel::Platform::showWindow(mainWindow, Kestrel::Platform::ShowShow);
}

void ElementTest::TearDown() { destroy(mainWindow); }

} // namespace UiTesting
