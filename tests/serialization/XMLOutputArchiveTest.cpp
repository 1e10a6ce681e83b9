// XMLOutputArchive writing real files through the engine's file server: texts and layout.
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using Cobalt::XMLOutputArchive;

namespace {

const std::string Declaration = "<?xml version=\"1.0\" ?>\n";

using XMLOutputArchiveTest = ArchiveTesting::EngineTest;

TEST_F(XMLOutputArchiveTest, CredentialsFileLayout) {
    const std::string password = "0cc175b9c0f1b6a831c399e269772661";
    for (const std::string &stored : {password, std::string()}) {
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

// Numbers in fixed point with four decimals except in composite values (default formatting),
// characters as text in values and as numbers in attributes, one tab of indent per level.
TEST_F(XMLOutputArchiveTest, WritesEachValueInItsFormatAndLayout) {
    {
        XMLOutputArchive a(path("out.xml"));
        EXPECT_FALSE(a.enter("") || a.enter("two words") || a.enter("1st"));
        EXPECT_FALSE(Cobalt::writeNamed(a, "a>b", 1));
        ASSERT_TRUE(a.enter("e"));
        a.writeClassName("Formats");
        EXPECT_TRUE(
            a.writeAttribute("d", 1.5) && a.writeAttribute("f", 2.75f) &&
            a.writeAttribute("c", 'A') && a.writeAttribute("u", static_cast<unsigned char>(200)) &&
            a.writeAttribute("s", static_cast<std::int16_t>(-2)) &&
            a.writeAttribute("w", static_cast<std::uint16_t>(65535)) &&
            a.writeAttribute("big", 4000000000u) && a.writeAttribute("neg", -12) &&
            a.writeAttribute("b", false) && a.writeAttribute("v", Cobalt::Vector2{0.5f, -2}) &&
            a.writeAttribute("v4", Cobalt::Vector4{1, 2, 3, 4}) &&
            a.writeAttribute("q", std::string("x'y\"z")) && a.writeAttribute("ns:ok-1.x_", 1));
        EXPECT_FALSE(a.writeAttribute("", 1) || a.writeAttribute(nullptr, 1) ||
                     a.writeAttribute("x=1", 1) || a.writeAttribute("empty", std::string()));
        a.writeClassName("");
        EXPECT_TRUE(Cobalt::writeNamed(a, "real", 1.5) &&
                    Cobalt::writeNamed(a, "tiny", -0.00004f) &&
                    Cobalt::writeNamed(a, "char", 'A') &&
                    Cobalt::writeNamed(a, "rect", Cobalt::Rect{1, 2, 3, 4}) &&
                    Cobalt::writeNamed(a, "vector", Cobalt::Vector3{0.1f, 2, -3.25f}) &&
                    Cobalt::writeNamed(a, "escaped", "a<b & \"c\""));
        // Adjacent writes once printed as separate text nodes, a line break between them.
        a.enter("merged");
        EXPECT_TRUE(a.write(true) && a.write(false) && a.write(4000000000u) && a.write("first ") &&
                    a.write(std::string("second")));
        a.leave();
        a.enter("group");
        a.enter("empty");
        a.leave();
        a.leave();
        a.leave();
        a.leave(); // stays at the document
        EXPECT_FALSE(a.write(5) || a.writeAttribute("top", 1));
        a.enter("second");
    }
    EXPECT_EQ(folder.read("out.xml"),
              Declaration +
                  "<e className=\"Formats\" d=\"1.5000\" f=\"2.7500\" c=\"65\" u=\"200\" s=\"-2\" "
                  "w=\"65535\" big=\"4000000000\" neg=\"-12\" b=\"false\" v=\"0.5000 -2.0000\" "
                  "v4=\"1.0000 2.0000 3.0000 4.0000\" q='x&apos;y&quot;z' ns:ok-1.x_=\"1\">\n"
                  "\t<real>1.5000</real>\n"
                  "\t<tiny>-0.0000</tiny>\n"
                  "\t<char>A</char>\n"
                  "\t<rect>1 3 2 4</rect>\n"
                  "\t<vector>0.1 2 -3.25</vector>\n"
                  "\t<escaped>a&lt;b &amp; &quot;c&quot;</escaped>\n"
                  "\t<merged>truefalse4000000000first second</merged>\n"
                  "\t<group>\n"
                  "\t\t<empty />\n"
                  "\t</group>\n"
                  "</e>\n"
                  "<second />\n");
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
