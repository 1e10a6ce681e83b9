// XMLInputArchive over real files: parse-error log lines and nodes kept in other files.
#include "serialization/XMLInputArchive.h"

#include "io/OpenMode.h"
#include "tests/serialization/ArchiveTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using XMLInputArchiveFileTest = ArchiveTesting::EngineTest;

TEST_F(XMLInputArchiveFileTest, ParseErrorIsLoggedWithRowAndColumnFromOne) {
    folder.write("broken.xml",
                 "<?xml version=\"1.0\" ?>\n<launcher>\n  <a>text</b>\n</launcher>\n");
    Cobalt::XMLInputArchive archive(path("broken.xml"));
    // The log names the stream as the file server opened it.
    const auto stream =
        Cobalt::Engine::instance()->getFileServer()->open(path("broken.xml"), Cobalt::IO::In);
    ASSERT_TRUE(stream);
    Testing::LogCapture log;
    EXPECT_FALSE(archive.load());
    EXPECT_EQ(log.text(),
              "Error reading end tag. in row 3 col 10, file " + stream->getName() + "\n");
    EXPECT_FALSE(archive.enter("launcher"));
}

TEST_F(XMLInputArchiveFileTest, BeginObjectFollowsASourceToAnotherFileOrToThisOne) {
    folder.write("fonts.xml", "<bigFont><fontHeight>24</fontHeight></bigFont>"
                              "<titleFont><fontHeight>30</fontHeight></titleFont>");
    folder.write("launcher.xml",
                 "<launcher><title name='titleFont' source='tst:fonts.xml'/><width>400</width>"
                 "<logo source='this' name='sharedLogo'/><plain source='this'/></launcher>"
                 "<sharedLogo>logo.bmp</sharedLogo><plain>top plain</plain>");
    auto archive = reread("launcher.xml", "launcher");
    Cobalt::InputArchive *source = nullptr;
    ASSERT_TRUE(archive->beginObject("title", source));
    ASSERT_NE(source, archive.get());
    EXPECT_EQ(source->getName(), "titleFont");
    int height = 0, width = 0;
    EXPECT_TRUE(Cobalt::readNamed(*source, "fontHeight", height));
    source->leave();
    EXPECT_EQ(archive->getName(), "launcher") << "this archive is back at the parent";
    std::string logo, plain;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "width", width) &&
                Cobalt::readNamed(*archive, "logo", logo) &&
                Cobalt::readNamed(*archive, "plain", plain));
    // Without a name the element's own tag is looked up.
    EXPECT_EQ(std::make_tuple(height, width, logo, plain),
              std::make_tuple(30, 400, "logo.bmp", "top plain"));
    EXPECT_EQ(archive->getName(), "launcher");
}

} // namespace
