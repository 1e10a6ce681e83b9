// Hostile and broken documents: the depth check before TinyXML, malformed and oversized input.
#include "serialization/XMLNesting.h"

#include "serialization/XMLInputArchive.h"
#include "tests/serialization/ArchiveTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

using ArchiveTesting::archiveOver;
using Cobalt::MaximumXMLNesting;
using Testing::LogCapture;

namespace {

std::string repeated(const std::string &unit, std::size_t count) {
    std::string text;
    while (count-- > 0)
        text += unit;
    return text;
}

// Ways of writing nested elements that a plain tag counter gets wrong.
struct Nesting {
    const char *label, *head, *open;
    std::string of(std::size_t levels) const {
        return head + repeated(open, levels) + "x" + repeated("</a>", levels);
    }
};

const Nesting nestings[] = {
    {"plain", "", "<a>"},
    {"stray end tags at the top", "</a></a>", "<a>"},
    // A numeric entity runs from "&#x" to the nearest ';' with hex digits back to an 'x'.
    {"entity", "", "<a>&#x</a>x41;"},
    // Read as UTF-8, a four-byte lead byte swallows "</a".
    {"UTF-8 by declaration", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<a>\xF0</a"},
    // Read as legacy, the same byte is one character and the next tag opens a level.
    {"legacy by default", "<?xml version=\"1.0\" ?>", "<a>\xF0"}};

// Deeper documents would overflow the stack inside TinyXML's recursive parser, so the check must
// count exactly the levels TinyXML opens.
TEST(XMLNestingTest, DocumentsAtTheLimitLoadAndDeeperOnesFailBeforeTheParser) {
    for (const Nesting &nesting : nestings) {
        SCOPED_TRACE(nesting.label);
        EXPECT_TRUE(archiveOver(nesting.of(MaximumXMLNesting))->load());
        for (const std::size_t levels : {MaximumXMLNesting + 1, std::size_t{100000}}) {
            auto archive = archiveOver(nesting.of(levels));
            LogCapture log;
            EXPECT_FALSE(archive->load()) << levels;
            EXPECT_NE(log.text().find("nested deeper"), std::string::npos) << levels;
        }
    }
    auto archive =
        archiveOver("<?xml version=\"1.0\" ?>\n" + nestings[0].of(MaximumXMLNesting + 1));
    LogCapture log;
    EXPECT_FALSE(archive->load());
    EXPECT_EQ(log.text(), "Elements nested deeper than " + std::to_string(MaximumXMLNesting) +
                              " levels in row 2 col " + std::to_string(3 * MaximumXMLNesting + 1) +
                              ", file \n");
    EXPECT_FALSE(archive->enter("a"));
}

// TinyXML stops at an attribute named twice, so what lies deeper is its business no more: the
// document fails with TinyXML's own error, not the depth guard's.
TEST(XMLNestingTest, TheGuardStopsWhereTinyXMLStops) {
    auto archive = archiveOver("<r n='1' n='2'>" + nestings[0].of(MaximumXMLNesting + 1) + "</r>");
    LogCapture log;
    EXPECT_FALSE(archive->load());
    EXPECT_EQ(log.text().find("nested deeper"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Error parsing Element."), std::string::npos) << log.text();
}

// Neither tags inside an attribute, comment or CDATA nor siblings add levels.
TEST(XMLNestingTest, FlatDocumentsWithHugeContentLoadAndReadBack) {
    const std::string opens = repeated("<a>", 100000), big(4 * 1024 * 1024, 'q');
    auto archive =
        archiveOver("<r v='" + opens + "' big='" + big + "'>" + big + "<!--" + opens +
                    "--><![CDATA[" + opens + "]]>" + repeated("<file/>", 100000) + "</r>");
    ASSERT_TRUE(archive->load() && archive->enter("r"));
    std::string attribute, text;
    EXPECT_TRUE(archive->readAttribute("big", attribute) && archive->read(text));
    EXPECT_TRUE(attribute == big && text == big)
        << "sizes " << attribute.size() << ", " << text.size();
    std::size_t count = 0;
    for (Cobalt::NodeHandle file = nullptr; (file = archive->nextElement(file, "file"));)
        ++count;
    EXPECT_EQ(count, 100000u);
}

// Broken documents fail to load, are logged, and leave an archive that fails every call.
TEST(XMLNestingTest, MalformedDocumentsFailToLoadWithALogLine) {
    const std::pair<const char *, std::string> cases[] = {
        {"unclosed", "<r><a>text</a>"},
        {"unterminated attribute", "<r a='open></r>"},
        // TinyXML steps over a lead byte's whole sequence: no reading past the end.
        {"lone lead byte at the end", "\xEF\xBB\xBF<r a='\xF0"},
        {"deep and unclosed", repeated("<a>", 5000)}};
    for (const auto &[label, text] : cases) {
        SCOPED_TRACE(label);
        auto archive = archiveOver(text);
        LogCapture log;
        EXPECT_FALSE(archive->load());
        EXPECT_NE(log.text().find(" in row "), std::string::npos);
        ArchiveTesting::expectEverythingFails(*archive);
    }
}

} // namespace
