// A fresh, shown main window with its root element for each test, and element descriptions
// loaded from in-memory XML the way states load theirs.
#pragma once

#include "io/MemoryStream.h"
#include "platform/Window.h"
#include "serialization/XMLInputArchive.h"
#include "tests/ui/WindowProbe.h"
#include "ui/WindowElement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace UiTesting {

// An archive over text, loaded.
inline std::unique_ptr<Cobalt::XMLInputArchive> archiveOf(const std::string &text) {
    auto archive = std::make_unique<Cobalt::XMLInputArchive>(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(text.begin(), text.end())));
    EXPECT_TRUE(archive->load()) << text;
    return archive;
}

// The main window class registers once per process; its callbacks count into these.
struct MainWindowEvents {
    int destroyed = 0;
    Kestrel::Platform::BitmapHandle logo = nullptr;
};
MainWindowEvents &mainWindowEvents();

class ElementTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new T loaded from the element node whose content is description, under the root.
    template <typename T> T &make(const std::string &description) {
        elements.push_back(std::make_unique<T>());
        T &element = static_cast<T &>(*elements.back());
        auto archive = archiveOf("<state><element>" + description + "</element></state>");
        EXPECT_TRUE(archive->enter("state"));
        EXPECT_TRUE(Kestrel::loadChildElement(element, "element", *archive, root.get()));
        // Loading leaves every node it entered.
        EXPECT_EQ(archive->getName(), "state");
        return element;
    }
    // As make, then shown, with room to be clicked (80 x 24) unless description gives a size.
    template <typename T> T &shown(const std::string &description) {
        T &element = make<T>(description + "<size>80 24</size>");
        element.show();
        return element;
    }

    WindowHandle mainWindow = nullptr;
    std::unique_ptr<Kestrel::WindowElement> root;
    std::vector<std::unique_ptr<Kestrel::WindowElement>> elements;
};

} // namespace UiTesting
