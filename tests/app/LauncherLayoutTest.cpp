// The shipped configuration (the copy the build puts beside the launcher): every state's elements
// lie on the panel below the logo inside the 400 x 400 window's client area, none overlaps
// another of the same state, and every text the state can show fits its element.
#include "app/Engine.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"
#include "ui/WindowElement.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// The client area of the 400 x 400 main window leaves room for its caption and frame; the logo
// fills the rows above the panel.
constexpr int ClientWidth = 394;
constexpr int ClientHeight = 370;
constexpr int PanelTop = 153;
// A generous average character width of the fonts used, as a share of the font height.
constexpr double CharacterWidthPerHeight = 0.55;
constexpr int DefaultFontHeight = 13;

struct PlacedElement {
    Kestrel::Platform::WindowRect rect;
    int fontHeight = DefaultFontHeight;
};

bool overlap(const Kestrel::Platform::WindowRect &a, const Kestrel::Platform::WindowRect &b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether text fits the element when the control wraps it at word boundaries.
bool fits(const std::string &text, const PlacedElement &element) {
    const double characterWidth = CharacterWidthPerHeight * element.fontHeight;
    const int width = element.rect.right - element.rect.left;
    const int lines = (element.rect.bottom - element.rect.top) / element.fontHeight;
    int usedLines = 1;
    double lineWidth = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const double word = characterWidth * static_cast<double>(end - start + 1);
        if (lineWidth > 0 && lineWidth + word > width) {
            ++usedLines;
            lineWidth = 0;
        }
        lineWidth += word;
        start = end + 1;
    }
    return lineWidth <= width && usedLines <= std::max(lines, 1);
}

class LauncherLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        Cobalt::startEngine();
        archive = std::make_unique<Cobalt::XMLInputArchive>(Cobalt::executableFolder() +
                                                            "/../gameStates/launcher.xml");
        ASSERT_TRUE(archive->load()) << "the build copies the configuration beside the launcher";
        ASSERT_TRUE(archive->enter("launcher"));
    }
    void TearDown() override {
        archive.reset();
        Cobalt::shutdownEngine();
    }

    // The elements (children with a size) of one state's section by name, loaded as the state
    // loads them.
    std::map<std::string, PlacedElement> section(const char *state) {
        std::map<std::string, PlacedElement> byName;
        EXPECT_TRUE(archive->enter(state)) << state;
        for (Cobalt::NodeHandle node = archive->nextNode(nullptr); node;
             node = archive->nextNode(node)) {
            Kestrel::WindowElement element;
            element.load(*archive);
            PlacedElement placed{element.getRect()};
            if (archive->enter("customFont")) {
                Cobalt::readNamed(*archive, "fontHeight", placed.fontHeight);
                archive->leave();
            }
            if (placed.rect.right != placed.rect.left)
                byName[archive->getName()] = placed;
        }
        archive->leave();
        return byName;
    }

    // The value called name in the state's section, or in its element if one is given.
    std::string value(const char *state, const char *element, const char *name) {
        std::string text;
        if (archive->enter(state)) {
            if (!element || archive->enter(element)) {
                Cobalt::readNamed(*archive, name, text);
                if (element)
                    archive->leave();
            }
            archive->leave();
        }
        return text;
    }

    void expectFits(const char *state, const char *element, const std::string &text) {
        const std::map<std::string, PlacedElement> elements = section(state);
        ASSERT_EQ(elements.count(element), 1u) << state << "/" << element;
        EXPECT_FALSE(text.empty()) << state << "/" << element;
        EXPECT_TRUE(fits(text, elements.at(element)))
            << state << "/" << element << ": \"" << text << "\"";
    }

    std::unique_ptr<Cobalt::XMLInputArchive> archive;
};

TEST_F(LauncherLayoutTest, EveryStateHasItsElementsOnThePanelWithoutOverlap) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"Login",
         {"loginButton", "passwordEdit", "passwordLabel", "rememberMe", "rememberMeLabel",
          "usernameEdit", "usernameLabel"}},
        {"CheckVersion", {"checkVersion"}},
        {"StartGame", {"message"}},
        {"ManifestUpdate", {"fileName", "fileProgress", "fileSize"}},
        {"GroupUpdate", {"currentState", "fileName", "fileProgress", "fileSize"}},
    };
    for (const auto &[state, names] : expected) {
        const std::map<std::string, PlacedElement> elements = section(state.c_str());
        std::vector<std::string> found;
        for (const auto &[name, element] : elements) {
            found.push_back(name);
            const Kestrel::Platform::WindowRect &r = element.rect;
            EXPECT_TRUE(r.left >= 0 && r.top >= PanelTop && r.right <= ClientWidth &&
                        r.bottom <= ClientHeight)
                << state << "/" << name << " " << r.left << "," << r.top << "-" << r.right << ","
                << r.bottom;
            for (const auto &[otherName, other] : elements)
                EXPECT_TRUE(name == otherName || !overlap(r, other.rect))
                    << state << ": " << name << " overlaps " << otherName;
        }
        EXPECT_EQ(found, names) << state;
    }
}

TEST_F(LauncherLayoutTest, EveryTextAStateShowsFitsItsElement) {
    for (const char *element : {"usernameLabel", "passwordLabel", "rememberMeLabel", "loginButton"})
        expectFits("Login", element, value("Login", element, "text"));
    // The version check animates up to three " ." groups after its text.
    expectFits("CheckVersion", "checkVersion",
               value("CheckVersion", "checkVersion", "text") + " . . .");
    for (const char *message : {"localVerFailedMessage", "manifestVerFailedMessage"})
        expectFits("CheckVersion", "checkVersion", value("CheckVersion", nullptr, message));
    expectFits("StartGame", "message", value("StartGame", "message", "text"));
    expectFits("ManifestUpdate", "fileName", value("ManifestUpdate", "fileName", "text"));
    expectFits("GroupUpdate", "currentState", "Downloading . . .");
    for (const char *state : {"ManifestUpdate", "GroupUpdate"})
        expectFits(state, "fileSize", "(4194303/4194303)");
}

} // namespace
