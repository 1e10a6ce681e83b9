// The five controls: window classes and styles per flag, the OK button's id, progress range,
// position and marquee, edit texts, check box states, text alignment.
#include "tests/ui/ElementFixture.h"

#include "ui/ButtonElement.h"
#include "ui/CheckBoxElement.h"
#include "ui/EditElement.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <tuple>
#include <vector>

namespace UiTesting {
namespace {

using namespace Kestrel;

struct Recorder : sigslot::has_slots<> {
    int clicks = 0, doubleClicks = 0, returns = 0;
    std::vector<bool> toggles;
    std::vector<std::string> texts;
    void click() { ++clicks; }
    void doubleClick() { ++doubleClicks; }
    void returned() { ++returns; }
    void toggled(bool checked) { toggles.push_back(checked); }
    void changed(const std::string &text) { texts.push_back(text); }
};

// Class name, extended style without the window edge, style and control id.
using Created = std::tuple<std::wstring, std::uint32_t, std::uint32_t, int>;
Created created(const WindowElement &element) {
    const Creation made = creationOf(element.getWindow());
    return {made.className, made.extendedStyle & ~WindowEdge, made.style,
            controlId(element.getWindow())};
}

// The element's own idea of its position, and the control's.
std::pair<int, int> positions(const ProgressElement &bar) {
    return {bar.getPosition(), progressPosition(bar.getWindow())};
}

TEST_F(ElementTest, ClassStylesAndIdFollowTheFlags) {
    const std::wstring Bar = L"msctls_progress32", Static = L"STATIC";
    EXPECT_EQ(created(make<ButtonElement>("")), Created(L"BUTTON", 0, 0x40010F00, 0));
    EXPECT_EQ(created(make<ButtonElement>("<okButton>1</okButton>")),
              Created(L"BUTTON", 0, 0x40010F01, 1));
    EXPECT_EQ(created(make<CheckBoxElement>("")), Created(L"BUTTON", 0x20, 0x40010C03, 0));
    EXPECT_EQ(created(make<EditElement>("")), Created(L"EDIT", 0x200, 0x40011080, 0));
    EXPECT_EQ(created(make<EditElement>("<password>1</password>")),
              Created(L"EDIT", 0x200, 0x400110A0, 0));
    EXPECT_EQ(created(make<ProgressElement>("")), Created(Bar, 0, 0x40000001, 0));
    EXPECT_EQ(created(make<ProgressElement>("<marqueed>1</marqueed>")),
              Created(Bar, 0, 0x40000009, 0));
    EXPECT_EQ(created(make<TextElement>("")), Created(Static, 0x20, 0x40000000, 0));
    EXPECT_EQ(created(make<TextElement>("<horizPos>center</horizPos>")),
              Created(Static, 0x20, 0x40000001, 0));
    // Only the exact text aligns.
    EXPECT_EQ(created(make<TextElement>("<horizPos>Center</horizPos>")),
              Created(Static, 0x20, 0x40000000, 0));
}

TEST_F(ElementTest, ButtonCodesSplitAtTheWordBoundary) {
    ButtonElement &button = shown<ButtonElement>("");
    Recorder record;
    button.clicked.connect(&record, &Recorder::click);
    button.doubleClicked.connect(&record, &Recorder::doubleClick);
    button.returnPressed.connect(&record, &Recorder::returned);
    click(button.getWindow());
    for (const int code : {0xFFFF, 0x10000, 0x50000 | 7})
        command(mainWindow, button.getWindow(), code);
    button.handleCommand(WindowElement::ReturnCode);
    EXPECT_EQ(std::make_tuple(record.clicks, record.doubleClicks, record.returns),
              std::make_tuple(2, 1, 1));
}

TEST_F(ElementTest, CheckBoxReportsTheStateAfterEachClickButNotWhenSet) {
    CheckBoxElement &box = shown<CheckBoxElement>("<text>Remember me</text>");
    Recorder record;
    box.toggled.connect(&record, &Recorder::toggled);
    click(box.getWindow());
    click(box.getWindow());
    box.setChecked(true);
    EXPECT_EQ(record.toggles, (std::vector<bool>{true, false}));
    EXPECT_EQ(std::make_pair(box.isChecked(), checkState(box.getWindow())),
              std::make_pair(true, 1));
}

TEST_F(ElementTest, EditFieldReportsAtMost511Characters) {
    EditElement &edit = shown<EditElement>("");
    Recorder record;
    edit.textChanged.connect(&record, &Recorder::changed);
    std::string typed;
    for (int i = 0; i < 600; ++i)
        typed.push_back(static_cast<char>('a' + i % 26));
    typeText(edit.getWindow(), typed.substr(0, 510));
    EXPECT_EQ(record.texts.back(), typed.substr(0, 510));
    typeText(edit.getWindow(), typed.substr(510));
    EXPECT_EQ(record.texts.back(), typed.substr(0, 511));
    EXPECT_EQ(edit.getText(), typed.substr(0, 511));
    EXPECT_EQ(text(edit.getWindow()), typed);
}

TEST_F(ElementTest, ProgressRangeIsSentOnlyForAnotherMaximum) {
    ProgressElement &plain = make<ProgressElement>("<maxProgress>100</maxProgress>");
    EXPECT_EQ(rangeMessages(plain.getWindow()), 0);
    EXPECT_EQ(progressRange(plain.getWindow()), std::make_pair(0, 100));

    ProgressElement &wide = make<ProgressElement>("<maxProgress>250</maxProgress>");
    EXPECT_EQ(progressRange(wide.getWindow()), std::make_pair(0, 250));
    wide.setRange(250);
    EXPECT_EQ(rangeMessages(wide.getWindow()), 1);
    wide.setRange(0);
    EXPECT_EQ(rangeMessages(wide.getWindow()), 2);
    EXPECT_EQ(progressRange(wide.getWindow()), std::make_pair(0, 0));
}

TEST_F(ElementTest, ProgressPositionIsClampedToTheRange) {
    ProgressElement &bar = make<ProgressElement>("<maxProgress>250</maxProgress>");
    bar.setPosition(120);
    EXPECT_EQ(positions(bar), std::make_pair(120, 120));
    bar.setPosition(-5);
    EXPECT_EQ(positions(bar), std::make_pair(0, 0));
    bar.setPosition(1000);
    EXPECT_EQ(positions(bar), std::make_pair(250, 250));
    // A negative maximum leaves nothing but 0.
    bar.setRange(-10);
    bar.setPosition(3);
    EXPECT_EQ(bar.getPosition(), 0);
}

TEST_F(ElementTest, MarqueeIgnoresPositionsAndSwitchesBackToTheSameSmoothBar) {
    ProgressElement &bar = shown<ProgressElement>("<position>10 300</position><size>380 20</size>");
    bar.setPosition(40);
    bar.setMarquee(true);
    EXPECT_EQ(style(bar.getWindow()), 0x40000009U);
    bar.setPosition(70);
    EXPECT_EQ(positions(bar), std::make_pair(40, 40));

    bar.setMarquee(false);
    const WindowRect rect = placement(bar.getWindow());
    EXPECT_EQ(std::make_tuple(style(bar.getWindow()), visible(bar.getWindow()), rect.left, rect.top,
                              rect.right, rect.bottom),
              std::make_tuple(0x40000001U, true, 10, 300, 390, 320));
    bar.setPosition(70);
    EXPECT_EQ(progressPosition(bar.getWindow()), 70);

    ProgressElement &configured = make<ProgressElement>("<marqueed>1</marqueed>");
    configured.setPosition(30);
    EXPECT_EQ(configured.getPosition(), 0);
}

} // namespace
} // namespace UiTesting
