// The five controls: window classes and styles per flag, the OK button's id, progress range,
// position and marquee, edit texts, check box states, text alignment.
#include "tests/ui/ElementFixture.h"

#include "ui/ButtonElement.h"
#include "ui/CheckBoxElement.h"
#include "ui/EditElement.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <functional>
#include <tuple>
#include <vector>

namespace UiTesting {
namespace {

using namespace Kestrel;

struct Recorder : sigslot::has_slots<> {
    int clicks = 0;
    int doubleClicks = 0;
    int returns = 0;
    std::vector<bool> toggles;
    std::vector<std::string> texts;
    void click() { ++clicks; }
    void doubleClick() { ++doubleClicks; }
    void returned() { ++returns; }
    void toggled(bool checked) { toggles.push_back(checked); }
    void changed(const std::string &text) { texts.push_back(text); }
};

struct Kind {
    const char *name;
    std::function<WindowElement &(ElementTest &, const std::string &)> make;
    const char *description;
    Creation expected;
    int id;
};

class ControlStyleTest : public ElementTest, public ::testing::WithParamInterface<Kind> {
public:
    template <typename T> static auto maker() {
        return [](ElementTest &test, const std::string &description) -> WindowElement & {
            return static_cast<ControlStyleTest &>(test).make<T>(description);
        };
    }
};

TEST_P(ControlStyleTest, ClassStylesAndIdFollowTheFlags) {
    const WindowElement &element = GetParam().make(*this, GetParam().description);
    const Creation created = creationOf(element.getWindow());
    EXPECT_EQ(
        std::make_tuple(created.className, created.extendedStyle & ~WindowEdge, created.style),
        std::make_tuple(std::wstring(GetParam().expected.className),
                        GetParam().expected.extendedStyle & ~WindowEdge,
                        GetParam().expected.style));
    EXPECT_EQ(controlId(element.getWindow()), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ControlStyleTest,
    ::testing::Values(
        Kind{"Button",
             ControlStyleTest::maker<ButtonElement>(),
             "",
             {L"BUTTON", 0x100, 0x40010F00},
             0},
        Kind{"OkButton",
             ControlStyleTest::maker<ButtonElement>(),
             "<okButton>1</okButton>",
             {L"BUTTON", 0x100, 0x40010F01},
             1},
        Kind{"CheckBox",
             ControlStyleTest::maker<CheckBoxElement>(),
             "",
             {L"BUTTON", 0x20, 0x40010C03},
             0},
        Kind{"Edit", ControlStyleTest::maker<EditElement>(), "", {L"EDIT", 0x200, 0x40011080}, 0},
        Kind{"Password",
             ControlStyleTest::maker<EditElement>(),
             "<password>1</password>",
             {L"EDIT", 0x200, 0x400110A0},
             0},
        Kind{"Progress",
             ControlStyleTest::maker<ProgressElement>(),
             "",
             {L"msctls_progress32", 0, 0x40000001},
             0},
        Kind{"Marquee",
             ControlStyleTest::maker<ProgressElement>(),
             "<marqueed>1</marqueed>",
             {L"msctls_progress32", 0, 0x40000009},
             0},
        Kind{"TextLeft",
             ControlStyleTest::maker<TextElement>(),
             "",
             {L"STATIC", 0x20, 0x40000000},
             0},
        Kind{"TextCenter",
             ControlStyleTest::maker<TextElement>(),
             "<horizPos>center</horizPos>",
             {L"STATIC", 0x20, 0x40000001},
             0},
        // Only the exact texts align.
        Kind{"TextCapitalised",
             ControlStyleTest::maker<TextElement>(),
             "<horizPos>Center</horizPos>",
             {L"STATIC", 0x20, 0x40000000},
             0}),
    [](const ::testing::TestParamInfo<Kind> &info) { return std::string(info.param.name); });

TEST_F(ElementTest, ButtonCodesSplitAtTheWordBoundary) {
    ButtonElement &button = shown<ButtonElement>("");
    Recorder record;
    button.clicked.connect(&record, &Recorder::click);
    button.doubleClicked.connect(&record, &Recorder::doubleClick);
    button.returnPressed.connect(&record, &Recorder::returned);
    click(button.getWindow());
    command(mainWindow, button.getWindow(), 0xFFFF);
    command(mainWindow, button.getWindow(), 0x10000);
    command(mainWindow, button.getWindow(), 0x50000 | 7);
    button.handleCommand(WindowElement::ReturnCode);
    EXPECT_EQ(std::make_tuple(record.clicks, record.doubleClicks, record.returns),
              std::make_tuple(2, 1, 1));
}

TEST_F(ElementTest, CheckBoxReportsTheStateAfterEachClick) {
    CheckBoxElement &box = shown<CheckBoxElement>("<text>Remember me</text>");
    Recorder record;
    box.toggled.connect(&record, &Recorder::toggled);
    click(box.getWindow());
    click(box.getWindow());
    EXPECT_EQ(record.toggles, (std::vector<bool>{true, false}));

    box.setChecked(true);
    EXPECT_EQ(std::make_tuple(box.isChecked(), checkState(box.getWindow())),
              std::make_tuple(true, 1));
    EXPECT_EQ(record.toggles.size(), 2U);
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
    EXPECT_EQ(rangeMessages(wide.getWindow()), 1);
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
    EXPECT_EQ(std::make_tuple(bar.getPosition(), progressPosition(bar.getWindow())),
              std::make_tuple(120, 120));
    bar.setPosition(-5);
    EXPECT_EQ(std::make_tuple(bar.getPosition(), progressPosition(bar.getWindow())),
              std::make_tuple(0, 0));
    bar.setPosition(1000);
    EXPECT_EQ(std::make_tuple(bar.getPosition(), progressPosition(bar.getWindow())),
              std::make_tuple(250, 250));
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
    EXPECT_EQ(std::make_tuple(bar.getPosition(), progressPosition(bar.getWindow())),
              std::make_tuple(40, 40));

    bar.setMarquee(false);
    EXPECT_EQ(style(bar.getWindow()), 0x40000001U);
    EXPECT_EQ(std::make_tuple(placement(bar.getWindow()).left, placement(bar.getWindow()).top,
                              placement(bar.getWindow()).right, placement(bar.getWindow()).bottom),
              std::make_tuple(10, 300, 390, 320));
    EXPECT_TRUE(visible(bar.getWindow()));
    bar.setPosition(70);
    EXPECT_EQ(progressPosition(bar.getWindow()), 70);

    ProgressElement &configured = make<ProgressElement>("<marqueed>1</marqueed>");
    configured.setPosition(30);
    EXPECT_EQ(configured.getPosition(), 0);
}

} // namespace
} // namespace UiTesting
