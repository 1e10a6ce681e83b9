// Window elements over native windows: layout, fonts, text and visibility, and how key, focus
// and command messages reach the element that owns the control.
#include "tests/ui/ElementFixture.h"

#include "ui/ButtonElement.h"
#include "ui/EditElement.h"

#include <tuple>
#include <vector>

namespace UiTesting {
namespace {

using Kestrel::ButtonElement;
using Kestrel::EditElement;
using Kestrel::WindowElement;

auto edges(const WindowRect &rect) {
    return std::make_tuple(rect.left, rect.top, rect.right, rect.bottom);
}

// Counts emissions of the signals it is connected to.
struct Counter : sigslot::has_slots<> {
    int calls = 0;
    std::string lastText;
    void count() { ++calls; }
    void text(const std::string &value) {
        ++calls;
        lastText = value;
    }
};

struct Layout {
    const char *first;  // loaded first
    const char *second; // then loaded over it
    WindowRect expected;
};

class LayoutTest : public ElementTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(LayoutTest, PositionAndSizeTruncateAndKeepTheOtherHalf) {
    WindowElement &element = make<ButtonElement>(GetParam().first);
    const auto archive = archiveOf(std::string("<e>") + GetParam().second + "</e>");
    ASSERT_TRUE(archive->enter("e"));
    EXPECT_TRUE(element.load(*archive));
    element.create();
    EXPECT_EQ(edges(element.getRect()), edges(GetParam().expected));
    EXPECT_EQ(edges(placement(element.getWindow())), edges(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LayoutTest,
    ::testing::Values(
        // Moving keeps the extent.
        Layout{"<size>100 30</size>", "<position>10.9 20.2</position>", {10, 20, 110, 50}},
        // Toward zero, not downward.
        Layout{"", "<position>-3.7 4</position><size>10.5 2.9</size>", {-3, 4, 7, 6}}));

TEST_F(ElementTest, CustomFontDefaultsAndEveryValue) {
    EXPECT_FALSE(fontOf(make<ButtonElement>("<text>no font</text>").getWindow()).present);

    const FontFacts defaults = fontOf(make<ButtonElement>("<customFont/>").getWindow());
    ASSERT_TRUE(defaults.present);
    EXPECT_EQ(std::make_tuple(defaults.parameters.height, defaults.parameters.weight,
                              defaults.parameters.italic, defaults.parameters.underline,
                              defaults.parameters.strikeOut, defaults.parameters.face),
              std::make_tuple(0, 400, false, false, false, std::string()));

    // Values outside the node are not font values, and the node is left afterwards.
    const FontFacts full = fontOf(
        make<ButtonElement>("<fontHeight>99</fontHeight><customFont><fontHeight>-13</fontHeight>"
                            "<fontWeight>700</fontWeight><italic>1</italic><underline>1"
                            "</underline><strike>1</strike><fontFace>Tahoma</fontFace>"
                            "</customFont><text>after</text>")
            .getWindow());
    EXPECT_EQ(std::make_tuple(full.parameters.height, full.parameters.weight,
                              full.parameters.italic, full.parameters.underline,
                              full.parameters.strikeOut, full.parameters.face),
              std::make_tuple(-13, 700, true, true, true, std::string("Tahoma")));
    EXPECT_EQ(elements.back()->getText(), "after");
}

TEST_F(ElementTest, CreatedHiddenUnderTheParentWithTextThenShownHiddenAndRetitled) {
    WindowElement &element = make<ButtonElement>("<text>Log in</text>");
    EXPECT_EQ(parentOf(element.getWindow()), mainWindow);
    EXPECT_EQ(text(element.getWindow()), "Log in");
    EXPECT_FALSE(visible(element.getWindow()));
    element.show();
    EXPECT_TRUE(visible(element.getWindow()));
    element.setText("Quit");
    EXPECT_EQ(std::make_tuple(text(element.getWindow()), element.getText()),
              std::make_tuple(std::string("Quit"), std::string("Quit")));
    element.hide();
    EXPECT_FALSE(visible(element.getWindow()));
}

TEST_F(ElementTest, ReturnIsReportedOnReleaseAndEnterPressesTheOkButton) {
    EditElement &edit = shown<EditElement>("");
    ButtonElement &ok = shown<ButtonElement>("<okButton>1</okButton>");
    Counter returned, clicked;
    edit.returnPressed.connect(&returned, &Counter::count);
    ok.clicked.connect(&clicked, &Counter::count);

    returnKeyDown(edit.getWindow());
    EXPECT_EQ(std::make_tuple(returned.calls, clicked.calls), std::make_tuple(0, 1));
    returnKeyUp(edit.getWindow());
    EXPECT_EQ(std::make_tuple(returned.calls, clicked.calls), std::make_tuple(1, 1));
}

TEST_F(ElementTest, FocusMovesWithTheEditFieldReportingItsTextFirst) {
    struct Order : sigslot::has_slots<> {
        std::vector<std::string> events;
        void editFocus() { events.push_back("edit focus"); }
        void text(const std::string &value) { events.push_back("text " + value); }
        void buttonFocus() { events.push_back("button focus"); }
    } order;
    EditElement &edit = shown<EditElement>("");
    ButtonElement &button = shown<ButtonElement>("");
    edit.focusGained.connect(&order, &Order::editFocus);
    button.focusGained.connect(&order, &Order::buttonFocus);
    focus(edit.getWindow());
    typeText(edit.getWindow(), "ab");
    edit.textChanged.connect(&order, &Order::text);
    focus(button.getWindow());
    EXPECT_EQ(order.events, (std::vector<std::string>{"edit focus", "text ab", "button focus"}));
}

TEST_F(ElementTest, NotificationsReachTheSourceElement) {
    EditElement &edit = shown<EditElement>("");
    Counter returned, focused;
    edit.returnPressed.connect(&returned, &Counter::count);
    edit.focusGained.connect(&focused, &Counter::count);
    notify(mainWindow, edit.getWindow(), WindowElement::ReturnCode);
    notify(mainWindow, edit.getWindow(), WindowElement::FocusCode);
    notify(mainWindow, edit.getWindow(), -2);
    EXPECT_EQ(std::make_tuple(returned.calls, focused.calls), std::make_tuple(1, 1));
}

TEST_F(ElementTest, CommandsFromWindowsWithoutElementAreIgnored) {
    ButtonElement &kept = shown<ButtonElement>("");
    Counter clicked;
    kept.clicked.connect(&clicked, &Counter::count);

    // A control nobody wraps, and one whose element is gone.
    const WindowHandle bare =
        Kestrel::Platform::createControl(L"BUTTON", 0, 0x50010000, mainWindow);
    ASSERT_NE(bare, nullptr);
    Kestrel::Platform::setWindowPosition(bare, 0, 0, 80, 24);
    click(bare);
    auto gone = std::make_unique<ButtonElement>();
    const auto archive = archiveOf("<s><b><size>80 24</size></b></s>");
    ASSERT_TRUE(archive->enter("s"));
    ASSERT_TRUE(Kestrel::loadChildElement(*gone, "b", *archive, root.get()));
    gone->show();
    const WindowHandle orphan = gone->getWindow();
    gone.reset();
    click(orphan);
    command(mainWindow, nullptr, 0);
    EXPECT_EQ(clicked.calls, 0);
    click(kept.getWindow());
    EXPECT_EQ(clicked.calls, 1);
}

} // namespace
} // namespace UiTesting
