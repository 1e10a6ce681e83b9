// XMLInputArchive over real files: parse-error log lines and nodes kept in other files.
#include "serialization/XMLInputArchive.h"

#include "io/OpenMode.h"
#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using ArchiveTesting::LogCapture;
using Cobalt::XMLInputArchive;

namespace {

class XMLInputArchiveFileTest : public ArchiveTesting::EngineTest {
protected:
    // The archive of launcher.xml holding text, entered at its top element "launcher".
    std::unique_ptr<XMLInputArchive> launcher(const std::string &text) {
        folder.write("launcher.xml", text);
        auto archive = std::make_unique<XMLInputArchive>(path("launcher.xml"));
        EXPECT_TRUE(archive->load() && archive->enter("launcher"));
        return archive;
    }
};

TEST_F(XMLInputArchiveFileTest, ParseErrorIsLoggedWithRowAndColumnFromOne) {
    folder.write("broken.xml",
                 "<?xml version=\"1.0\" ?>\n<launcher>\n  <a>text</b>\n</launcher>\n");
    XMLInputArchive archive(path("broken.xml"));
    // The log names the stream as the file server opened it.
    const auto stream =
        Cobalt::Engine::instance()->getFileServer()->open(path("broken.xml"), Cobalt::IO::In);
    ASSERT_TRUE(stream);
    LogCapture log;
    EXPECT_FALSE(archive.load());
    EXPECT_EQ(log.text(),
              "Error reading end tag. in row 3 col 10, file " + stream->getName() + "\n");
    EXPECT_FALSE(archive.enter("launcher"));
}

TEST_F(XMLInputArchiveFileTest, MissingOrEmptyFileFailsToLoadQuietly) {
    folder.write("empty.xml", "");
    for (const char *name : {"absent.xml", "empty.xml"}) {
        SCOPED_TRACE(name);
        XMLInputArchive archive(path(name));
        LogCapture log;
        EXPECT_FALSE(archive.load());
        EXPECT_EQ(log.text(), "");
        EXPECT_EQ(archive.getArchiveName(), path(name));
        EXPECT_FALSE(archive.enter("anything"));
    }
}

TEST_F(XMLInputArchiveFileTest, BeginObjectFollowsASourceToAnotherFile) {
    folder.write("fonts.xml", "<bigFont><fontHeight>24</fontHeight></bigFont>"
                              "<titleFont><fontHeight>30</fontHeight></titleFont>");
    auto archive = launcher(
        "<launcher><title name='titleFont' source='tst:fonts.xml'/><width>400</width></launcher>");
    Cobalt::InputArchive *source = nullptr;
    ASSERT_TRUE(archive->beginObject("title", source));
    ASSERT_NE(source, archive.get());
    EXPECT_EQ(source->getName(), "titleFont");
    int height = 0, width = 0;
    EXPECT_TRUE(Cobalt::readNamed(*source, "fontHeight", height));
    EXPECT_EQ(height, 30);
    source->leave();
    EXPECT_EQ(archive->getName(), "launcher") << "this archive is back at the parent";
    EXPECT_TRUE(Cobalt::readNamed(*archive, "width", width));
    EXPECT_EQ(width, 400);
}

TEST_F(XMLInputArchiveFileTest, SourceThisReadsATopElementOfTheSameFile) {
    auto archive =
        launcher("<launcher><logo source='this' name='sharedLogo'/><plain source='this'/>"
                 "</launcher><sharedLogo>logo.bmp</sharedLogo><plain>top plain</plain>");
    std::string logo, plain;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "logo", logo));
    EXPECT_TRUE(Cobalt::readNamed(*archive, "plain", plain));
    EXPECT_EQ(logo, "logo.bmp");
    EXPECT_EQ(plain, "top plain") << "without a name the element's own tag is looked up";
    EXPECT_EQ(archive->getName(), "launcher");
}

TEST_F(XMLInputArchiveFileTest, SourceThatDoesNotLoadReadsTheElementAndOneLackingTheNodeIsMissing) {
    folder.write("other.xml", "<something/>");
    auto archive = launcher("<launcher><logo source='tst:nowhere.xml'>inline</logo>"
                            "<icon source='tst:other.xml'/></launcher>");
    Cobalt::InputArchive *source = nullptr;
    std::string text, icon = "default";
    ASSERT_TRUE(archive->beginObject("logo", source));
    EXPECT_EQ(source, archive.get());
    source->read(text);
    EXPECT_EQ(text, "inline");
    source->leave();
    // The other file loads but lacks "icon": a missing node, not an empty one.
    EXPECT_FALSE(Cobalt::readNamed(*archive, "icon", icon));
    EXPECT_EQ(icon, "default");
    EXPECT_EQ(archive->getName(), "launcher");
}

} // namespace
