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
    void count() { ++calls; }
};

// Whether the element has a font of its own, and that font's height, weight, italic, underline,
// strike-out and face.
auto fontFacts(const WindowElement &element) {
    const FontFacts font = fontOf(element.getWindow());
    const Kestrel::Platform::FontParameters &made = font.parameters;
    return std::make_tuple(font.present, made.height, made.weight, made.italic, made.underline,
                           made.strikeOut, made.face);
}

TEST_F(ElementTest, PositionAndSizeTruncateAndKeepTheOtherHalf) {
    // The element as first describes it, then loaded over with second: its edges, which the
    // window must share.
    const auto laidOut = [this](const char *first, const char *second) {
        WindowElement &element = make<ButtonElement>(first);
        const auto archive = archiveOf(std::string("<e>") + second + "</e>");
        EXPECT_TRUE(archive->enter("e"));
        EXPECT_TRUE(element.load(*archive));
        element.create();
        EXPECT_EQ(edges(placement(element.getWindow())), edges(element.getRect()));
        return edges(element.getRect());
    };
    // Moving keeps the extent.
    EXPECT_EQ(laidOut("<size>100 30</size>", "<position>10.9 20.2</position>"),
              std::make_tuple(10, 20, 110, 50));
    // Toward zero, not downward.
    EXPECT_EQ(laidOut("", "<position>-3.7 4</position><size>10.5 2.9</size>"),
              std::make_tuple(-3, 4, 7, 6));
}

TEST_F(ElementTest, CustomFontDefaultsAndEveryValue) {
    EXPECT_FALSE(std::get<0>(fontFacts(make<ButtonElement>("<text>no font</text>"))));
    EXPECT_EQ(fontFacts(make<ButtonElement>("<customFont/>")),
              std::make_tuple(true, 0, 400, false, false, false, std::string()));
    // Values outside the node are not font values, and the node is left afterwards.
    EXPECT_EQ(
        fontFacts(make<ButtonElement>(
            "<fontHeight>99</fontHeight><customFont><fontHeight>-13</fontHeight><fontWeight>700"
            "</fontWeight><italic>1</italic><underline>1</underline><strike>1</strike>"
            "<fontFace>Tahoma</fontFace></customFont><text>after</text>")),
        std::make_tuple(true, -13, 700, true, true, true, std::string("Tahoma")));
    EXPECT_EQ(elements.back()->getText(), "after");
}

TEST_F(ElementTest, CreatedHiddenUnderTheParentWithTextThenShownHiddenAndRetitled) {
    WindowElement &element = make<ButtonElement>("<text>Log in</text>");
    EXPECT_EQ(parentOf(element.getWindow()), mainWindow);
    EXPECT_EQ(std::make_pair(text(element.getWindow()), visible(element.getWindow())),
              std::make_pair(std::string("Log in"), false));
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
    const WindowHandle orphan = shown<ButtonElement>("").getWindow();
    elements.pop_back();
    click(orphan);
    command(mainWindow, nullptr, 0);
    EXPECT_EQ(clicked.calls, 0);
    click(kept.getWindow());
    EXPECT_EQ(clicked.calls, 1);
}

} // namespace
} // namespace UiTesting
