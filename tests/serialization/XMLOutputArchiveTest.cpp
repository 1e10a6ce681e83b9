// XMLOutputArchive writing real files through the engine's file server: texts and layout.
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using Cobalt::XMLOutputArchive;

namespace {

const std::string Declaration = "<?xml version=\"1.0\" ?>\n";

class XMLOutputArchiveTest : public ArchiveTesting::EngineTest {
protected:
    // The file that an archive writes for the given writes, all inside a top element "e".
    template <typename Writes> std::string fileWrittenBy(Writes writes) {
        {
            XMLOutputArchive archive(path("out.xml"));
            EXPECT_TRUE(archive.enter("e"));
            writes(archive);
        }
        return folder.read("out.xml");
    }
};

TEST_F(XMLOutputArchiveTest, CredentialsFileLayout) {
    {
        XMLOutputArchive archive(path("credentials.xml"));
        EXPECT_TRUE(Cobalt::writeNamed(archive, "userID", std::string("player one")));
        EXPECT_TRUE(Cobalt::writeNamed(archive, "password",
                                       std::string("0cc175b9c0f1b6a831c399e269772661")));
        EXPECT_EQ(folder.read("credentials.xml"), "") << "nothing is written before destruction";
    }
    EXPECT_EQ(folder.read("credentials.xml"),
              Declaration + "<userID>player one</userID>\n"
                            "<password>0cc175b9c0f1b6a831c399e269772661</password>\n");
}

TEST_F(XMLOutputArchiveTest, CredentialsWithoutPasswordKeepAnEmptyElement) {
    {
        XMLOutputArchive archive(path("credentials.xml"));
        Cobalt::writeNamed(archive, "userID", std::string("name"));
        Cobalt::writeNamed(archive, "password", std::string());
    }
    EXPECT_EQ(folder.read("credentials.xml"),
              Declaration + "<userID>name</userID>\n<password></password>\n");
}

TEST_F(XMLOutputArchiveTest, NestedLevelsAreIndentedByOneTabEach) {
    {
        XMLOutputArchive archive(path("nested.xml"));
        archive.enter("launcher");
        archive.writeAttribute("version", 3);
        archive.enter("window");
        archive.writeClassName("WindowElement");
        Cobalt::writeNamed(archive, "text", "Title");
        archive.enter("empty");
        archive.leave();
        archive.leave();
        archive.leave();
        archive.enter("second");
    }
    EXPECT_EQ(folder.read("nested.xml"), Declaration + "<launcher version=\"3\">\n"
                                                       "\t<window className=\"WindowElement\">\n"
                                                       "\t\t<text>Title</text>\n"
                                                       "\t\t<empty />\n"
                                                       "\t</window>\n"
                                                       "</launcher>\n"
                                                       "<second />\n");
}

TEST_F(XMLOutputArchiveTest, RealsAreWrittenInFixedPointWithFourDecimals) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  EXPECT_TRUE(archive.write(1.5));
                  EXPECT_TRUE(archive.writeAttribute("d", 1.5));
                  EXPECT_TRUE(archive.writeAttribute("f", 2.75f));
              }),
              Declaration + "<e d=\"1.5000\" f=\"2.7500\">1.5000</e>\n");
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) { archive.write(-0.00004f); }),
              Declaration + "<e>-0.0000</e>\n");
}

TEST_F(XMLOutputArchiveTest, CharactersAreTextInValuesAndNumbersInAttributes) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write('A');
                  archive.writeAttribute("c", 'A');
                  archive.writeAttribute("u", static_cast<unsigned char>(200));
              }),
              Declaration + "<e c=\"65\" u=\"200\">A</e>\n");
}

TEST_F(XMLOutputArchiveTest, IntegersAndBoolsAreWrittenInFull) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write(true);
                  archive.write(false);
                  archive.write(4000000000u);
                  archive.writeAttribute("s", static_cast<std::int16_t>(-2));
                  archive.writeAttribute("w", static_cast<std::uint16_t>(65535));
                  archive.writeAttribute("big", 4000000000u);
                  archive.writeAttribute("neg", -12);
                  archive.writeAttribute("b", false);
              }),
              Declaration + "<e s=\"-2\" w=\"65535\" big=\"4000000000\" neg=\"-12\" b=\"false\">"
                            "truefalse4000000000</e>\n");
}

TEST_F(XMLOutputArchiveTest, CompositesUseDefaultFormattingInValuesAndFixedInAttributes) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write(Cobalt::Rect{1, 2, 3, 4});
                  archive.writeAttribute("v", Cobalt::Vector2{0.5f, -2});
                  archive.writeAttribute("w", Cobalt::Vector4{1, 2, 3, 4});
              }),
              Declaration +
                  "<e v=\"0.5000 -2.0000\" w=\"1.0000 2.0000 3.0000 4.0000\">1 3 2 4</e>\n");
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write(Cobalt::Vector3{0.1f, 2, -3.25f});
              }),
              Declaration + "<e>0.1 2 -3.25</e>\n");
}

TEST_F(XMLOutputArchiveTest, EmptyStringAttributeWritesNothing) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  EXPECT_FALSE(archive.writeAttribute("name", std::string()));
                  archive.writeClassName("");
              }),
              Declaration + "<e />\n");
}

TEST_F(XMLOutputArchiveTest, TwoValueWritesPrintAsOneRunOfText) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write("first ");
                  archive.write(std::string("second"));
              }),
              Declaration + "<e>first second</e>\n");
}

TEST_F(XMLOutputArchiveTest, SpecialCharactersAreEscaped) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  archive.write("a<b & \"c\"");
                  archive.writeAttribute("q", std::string("x'y\"z"));
              }),
              Declaration + "<e q='x&apos;y&quot;z'>a&lt;b &amp; &quot;c&quot;</e>\n");
}

TEST_F(XMLOutputArchiveTest, UnreadableNamesAndMisplacedWritesAreRefused) {
    EXPECT_EQ(fileWrittenBy([](XMLOutputArchive &archive) {
                  EXPECT_FALSE(archive.enter(""));
                  EXPECT_FALSE(archive.enter("two words"));
                  EXPECT_FALSE(archive.enter("1st"));
                  EXPECT_FALSE(Cobalt::writeNamed(archive, "a>b", 1));
                  EXPECT_FALSE(archive.writeAttribute("", 1));
                  EXPECT_FALSE(archive.writeAttribute(nullptr, 1));
                  EXPECT_FALSE(archive.writeAttribute("x=1", 1));
                  EXPECT_TRUE(archive.writeAttribute("ns:ok-1.x_", 1));
                  archive.leave();
                  EXPECT_FALSE(archive.write(5)) << "text beside the top elements";
                  EXPECT_FALSE(archive.writeAttribute("top", 1));
              }),
              Declaration + "<e ns:ok-1.x_=\"1\" />\n");
}

TEST_F(XMLOutputArchiveTest, MissingFolderSavesNothing) {
    { XMLOutputArchive archive(path("missing/folder/out.xml")); }
    EXPECT_FALSE(server().exists(path("missing/folder/out.xml")));
}

TEST_F(XMLOutputArchiveTest, SavingReplacesAnOlderLongerFile) {
    folder.write("out.xml", std::string(1000, 'x'));
    { XMLOutputArchive archive(path("out.xml")); }
    EXPECT_EQ(folder.read("out.xml"), Declaration);
}

TEST(XMLOutputArchiveWithoutEngineTest, DestructionWithoutEngineWritesNothing) {
    Testing::TempFolder folder;
    { XMLOutputArchive archive(folder / "out.xml"); }
    EXPECT_EQ(folder.read("out.xml"), "");
}

} // namespace
