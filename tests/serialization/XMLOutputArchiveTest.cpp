// XMLOutputArchive writing real files through the engine's file server: texts and layout.
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using Cobalt::XMLOutputArchive;

namespace {

const std::string Declaration = "<?xml version=\"1.0\" ?>\n";

using XMLOutputArchiveTest = ArchiveTesting::EngineTest;

TEST_F(XMLOutputArchiveTest, CredentialsFileLayout) {
    for (const std::string &stored :
         {std::string("0cc175b9c0f1b6a831c399e269772661"), std::string()}) {
        {
            XMLOutputArchive archive(path("credentials.xml"));
            EXPECT_TRUE(Cobalt::writeNamed(archive, "userID", std::string("player one")));
            Cobalt::writeNamed(archive, "password", stored);
            EXPECT_EQ(folder.read("credentials.xml"), "")
                << "nothing is written before destruction";
        }
        EXPECT_EQ(folder.read("credentials.xml"), Declaration +
                                                      "<userID>player one</userID>\n<password>" +
                                                      stored + "</password>\n");
        folder.write("credentials.xml", "");
    }
}

// Adjacent writes once printed as separate text nodes with a line break between them; names that
// would break the markup are refused. Characters go out as numbers in attributes.
TEST_F(XMLOutputArchiveTest, WritesOneEscapedTextPerNodeAndRefusesInvalidNames) {
    {
        XMLOutputArchive a(path("out.xml"));
        EXPECT_FALSE(a.enter("") || a.enter("two words") || a.enter("1st") ||
                     Cobalt::writeNamed(a, "a>b", 1));
        ASSERT_TRUE(a.enter("e"));
        EXPECT_TRUE(a.writeAttribute("c", 'A') && a.writeAttribute("q", std::string("x'y\"z")));
        EXPECT_FALSE(a.writeAttribute("", 1) || a.writeAttribute(nullptr, 1) ||
                     a.writeAttribute("x=1", 1) || a.writeAttribute("empty", std::string()));
        EXPECT_TRUE(Cobalt::writeNamed(a, "escaped", "a<b & \"c\""));
        a.enter("merged");
        EXPECT_TRUE(a.write(true) && a.write(-0.00004f) && a.write(std::string(" second")));
        a.leave();
        a.enter("group");
        a.enter("empty");
        for (int level = 0; level < 4; ++level)
            a.leave(); // the last stays at the document
        EXPECT_FALSE(a.write(5) || a.writeAttribute("top", 1));
    }
    EXPECT_EQ(folder.read("out.xml"), Declaration +
                                          "<e c=\"65\" q='x&apos;y&quot;z'>\n"
                                          "\t<escaped>a&lt;b &amp; &quot;c&quot;</escaped>\n"
                                          "\t<merged>true-0.0000 second</merged>\n"
                                          "\t<group>\n"
                                          "\t\t<empty />\n"
                                          "\t</group>\n"
                                          "</e>\n");
}

TEST_F(XMLOutputArchiveTest, SavingReplacesAnOlderLongerFileAndAMissingFolderGetsNothing) {
    folder.write("out.xml", std::string(1000, 'x'));
    { XMLOutputArchive archive(path("out.xml")); }
    EXPECT_EQ(folder.read("out.xml"), Declaration);
    { XMLOutputArchive archive(path("missing/folder/out.xml")); }
    EXPECT_EQ(folder.read("missing/folder/out.xml"), "");
}

TEST(XMLOutputArchiveWithoutEngineTest, DestructionWithoutEngineWritesNothing) {
    Testing::TempFolder folder;
    { XMLOutputArchive archive(folder / "out.xml"); }
    EXPECT_EQ(folder.read("out.xml"), "");
}

} // namespace
