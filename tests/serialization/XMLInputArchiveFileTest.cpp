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

// The last line is that of the document's last top-level node (or its last child); after a
// parse error there is no document to ask.
TEST_F(XMLInputArchiveFileTest, LastLineCountsFromOneAndIsZeroAfterAParseError) {
    folder.write("good.xml", "<?xml version=\"1.0\" ?>\n<a>\n<b/>\n\n<c/>\n</a>\n");
    folder.write("bad.xml", "<a>\n<b>\n</a>\n");
    Cobalt::XMLInputArchive good(path("good.xml")), bad(path("bad.xml"));
    ASSERT_TRUE(good.load());
    EXPECT_EQ(good.getLastLine(), 5);
    Testing::LogCapture log;
    EXPECT_FALSE(bad.load());
    EXPECT_EQ(bad.getLastLine(), 0);
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

// A referenced file without the named element is a missing node: false, and nothing moves.
TEST_F(XMLInputArchiveFileTest, BeginObjectFailsWhenTheReferencedFileLacksTheElement) {
    folder.write("fonts.xml", "<bigFont/>");
    folder.write("launcher.xml", "<launcher><title name='titleFont' source='tst:fonts.xml'/>"
                                 "<logo source='tst:missing.xml'/></launcher>");
    auto archive = reread("launcher.xml", "launcher");
    Cobalt::InputArchive *source = nullptr;
    EXPECT_FALSE(archive->beginObject("title", source));
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(archive->getName(), "launcher");
    // A file that does not load is no reference at all: the element is read where it stands.
    ASSERT_TRUE(archive->beginObject("logo", source));
    EXPECT_EQ(source, archive.get());
    EXPECT_EQ(archive->getName(), "logo");
}

// An element that refers to its own file again opens it once per level a reader descends; the
// chain ends at its bound with a log line instead of running out of stack.
TEST_F(XMLInputArchiveFileTest, ReferenceCyclesEndAtTheBoundWithALogLine) {
    folder.write("cycle.xml", "<a source=\"this\" name=\"a\"><c source=\"this\" name=\"a\"/></a>");
    Cobalt::XMLInputArchive archive(path("cycle.xml"));
    ASSERT_TRUE(archive.load());
    Testing::LogCapture log;
    Cobalt::InputArchive *source = &archive;
    std::size_t levels = 0;
    for (const char *name = "a"; levels < 1000 && source->beginObject(name, source); name = "c")
        ++levels;
    EXPECT_EQ(levels, Cobalt::MaximumReferenceChain);
    EXPECT_EQ(source->getName(), "a") << "the refused level left the reader where it was";
    EXPECT_EQ(log.text(), "References nested deeper than " +
                              std::to_string(Cobalt::MaximumReferenceChain) +
                              " files at source \"this\", file tst:cycle.xml\n");
}

} // namespace
