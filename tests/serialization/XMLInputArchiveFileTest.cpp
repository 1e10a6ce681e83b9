// XMLInputArchive over real files: parse-error log lines and nodes kept in other files.
#include "serialization/XMLInputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using ArchiveTesting::LogCapture;
using Cobalt::XMLInputArchive;

namespace {

class XMLInputArchiveFileTest : public ArchiveTesting::EngineTest {
protected:
    std::unique_ptr<XMLInputArchive> loadedFile(const std::string &name, const std::string &text) {
        folder.write(name, text);
        auto archive = std::make_unique<XMLInputArchive>(path(name));
        EXPECT_TRUE(archive->load());
        return archive;
    }
};

TEST_F(XMLInputArchiveFileTest, ParseErrorIsLoggedWithRowAndColumnFromOne) {
    folder.write("broken.xml",
                 "<?xml version=\"1.0\" ?>\n<launcher>\n  <a>text</b>\n</launcher>\n");
    XMLInputArchive archive(path("broken.xml"));
    LogCapture log;
    EXPECT_FALSE(archive.load());
    EXPECT_EQ(log.text(),
              "Error reading end tag. in row 3 col 10, file " + streamName("broken.xml") + "\n");
    EXPECT_FALSE(archive.enter("launcher"));
}

TEST_F(XMLInputArchiveFileTest, MissingFileFailsToLoadQuietly) {
    XMLInputArchive archive(path("absent.xml"));
    LogCapture log;
    EXPECT_FALSE(archive.load());
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(archive.getArchiveName(), path("absent.xml"));
    EXPECT_FALSE(archive.enter("anything"));
}

TEST_F(XMLInputArchiveFileTest, EmptyFileFailsToLoadWithoutALogLine) {
    folder.write("empty.xml", "");
    XMLInputArchive archive(path("empty.xml"));
    LogCapture log;
    EXPECT_FALSE(archive.load());
    EXPECT_EQ(log.text(), "");
}

TEST_F(XMLInputArchiveFileTest, BeginObjectFollowsASourceToAnotherFile) {
    folder.write("fonts.xml", "<bigFont><fontHeight>24</fontHeight></bigFont>"
                              "<titleFont><fontHeight>30</fontHeight></titleFont>");
    auto archive = loadedFile("launcher.xml", "<launcher>"
                                              "<title name='titleFont' source='tst:fonts.xml'/>"
                                              "<width>400</width>"
                                              "</launcher>");
    ASSERT_TRUE(archive->enter("launcher"));
    Cobalt::InputArchive *source = nullptr;
    ASSERT_TRUE(archive->beginObject("title", source));
    ASSERT_NE(source, archive.get());
    EXPECT_EQ(source->getName(), "titleFont");
    int height = 0;
    EXPECT_TRUE(Cobalt::readNamed(*source, "fontHeight", height));
    EXPECT_EQ(height, 30);
    source->leave();
    EXPECT_EQ(archive->getName(), "launcher") << "this archive is back at the parent";
    int width = 0;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "width", width));
    EXPECT_EQ(width, 400);
}

TEST_F(XMLInputArchiveFileTest, SourceThisReadsATopElementOfTheSameFile) {
    auto archive = loadedFile("self.xml", "<launcher>"
                                          "<logo source='this' name='sharedLogo'/>"
                                          "<plain source='this'/>"
                                          "</launcher>"
                                          "<sharedLogo>logo.bmp</sharedLogo>"
                                          "<plain>top-level plain</plain>");
    ASSERT_TRUE(archive->enter("launcher"));
    std::string logo, plain;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "logo", logo));
    EXPECT_TRUE(Cobalt::readNamed(*archive, "plain", plain));
    EXPECT_EQ(logo, "logo.bmp");
    EXPECT_EQ(plain, "top-level plain") << "without a name the element's own tag is looked up";
    EXPECT_EQ(archive->getName(), "launcher");
}

TEST_F(XMLInputArchiveFileTest, SourceThatDoesNotLoadReadsTheElementItself) {
    auto archive = loadedFile("dangling.xml", "<launcher>"
                                              "<logo source='tst:nowhere.xml'>inline</logo>"
                                              "</launcher>");
    ASSERT_TRUE(archive->enter("launcher"));
    Cobalt::InputArchive *source = nullptr;
    ASSERT_TRUE(archive->beginObject("logo", source));
    EXPECT_EQ(source, archive.get());
    std::string text;
    source->read(text);
    EXPECT_EQ(text, "inline");
}

TEST_F(XMLInputArchiveFileTest, ReferenceToANodeTheOtherFileLacksIsAMissingNode) {
    folder.write("other.xml", "<something/>");
    auto archive = loadedFile("main.xml", "<launcher><logo source='tst:other.xml'/></launcher>");
    ASSERT_TRUE(archive->enter("launcher"));
    std::string logo = "default";
    EXPECT_FALSE(Cobalt::readNamed(*archive, "logo", logo));
    EXPECT_EQ(logo, "default");
    EXPECT_EQ(archive->getName(), "launcher");
}

TEST_F(XMLInputArchiveFileTest, OpenArchiveLoadsAnotherFileOrNothing) {
    folder.write("other.xml", "<root>1</root>");
    auto archive = loadedFile("main.xml", "<main/>");
    auto other = archive->openArchive(path("other.xml"));
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->enter("root"));
    EXPECT_EQ(archive->openArchive(path("absent.xml")), nullptr);
    auto self = archive->openArchive("this");
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(self->enter("main"));
}

} // namespace
