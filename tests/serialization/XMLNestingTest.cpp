// Hostile and broken documents: the depth check before TinyXML, malformed and oversized input.
#include "serialization/XMLNesting.h"

#include "serialization/XMLInputArchive.h"
#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <random>

using ArchiveTesting::archiveOver;
using ArchiveTesting::LogCapture;
using Cobalt::findElementBeyond;
using Cobalt::MaximumXMLNesting;
using Cobalt::NestingWithinLimit;

namespace {

std::string repeated(const std::string &unit, std::size_t count) {
    std::string text;
    while (count-- > 0)
        text += unit;
    return text;
}

std::string nested(std::size_t depth) {
    return repeated("<a>", depth) + "x" + repeated("</a>", depth);
}

std::size_t depthOf(const TiXmlNode &node) {
    std::size_t deepest = 0;
    for (auto *child = node.FirstChildElement(); child; child = child->NextSiblingElement())
        deepest = std::max(deepest, 1 + depthOf(*child));
    return deepest;
}

// Documents whose depth a plain tag counter gets wrong: the check must agree with TinyXML.
TEST(XMLNestingTest, CountsTheLevelsTinyXMLOpens) {
    const std::pair<const char *, std::string> cases[] = {
        {"plain", nested(5)},
        {"self-closing", "<r><a/><b><c x='1'/><d>t</d></b></r>"},
        {"comment", "<r><!-- <a><b><c> --><d>x</d></r>"},
        {"cdata", "<r><![CDATA[<a><b></c>]]><d>x</d></r>"},
        {"quoted", "<r a='<b><c>' b=\"/>\"><d>x</d></r>"},
        {"declaration", "<?xml version='>' ?><r><d>x</d></r>"},
        {"instruction", "<r><?pi <a> ?><d>x</d></r>"},
        {"doctype", "<!DOCTYPE r><r><d>x</d></r>"},
        {"stray end tags at the top", "</a></a><r><d>x</d></r>"},
        // A numeric entity runs from "&#x" to the nearest ';' with hex digits back to an 'x'.
        {"entity", "<r>" + repeated("<a>&#x</a>x41;", 6) + repeated("</a>", 6) + "</r>"},
        {"decimal entity", "<r>" + repeated("<a>&#</a>#65;", 4) + repeated("</a>", 4) + "</r>"},
        // The declaration makes TinyXML read UTF-8: a four-byte lead byte swallows "</a".
        {"UTF-8 lead byte",
         "<?xml version=\"1.0\" ?><r>" + repeated("<a>\xF0</a", 5) + repeated("</a>", 5) + "</r>"},
        {"siblings", "<r>" + repeated("<a><b>t</b><c/></a>", 1000) + "</r>"}};
    TiXmlBase::SetCondenseWhiteSpace(false);
    for (const auto &[label, text] : cases) {
        SCOPED_TRACE(label);
        std::vector<char> bytes(text.begin(), text.end()); // padded as load pads it
        bytes.insert(bytes.end(), {'\n', 0, 0, 0, 0});
        std::size_t scanned = 0;
        while (findElementBeyond(bytes.data(), scanned) != NestingWithinLimit)
            ++scanned;
        TiXmlDocument document;
        document.Parse(bytes.data());
        EXPECT_FALSE(document.Error()) << document.ErrorDesc();
        EXPECT_EQ(scanned, depthOf(document));
    }
}

TEST(XMLNestingTest, DocumentAtTheLimitLoadsAndOneLevelMoreFailsWithALogLine) {
    EXPECT_TRUE(archiveOver(nested(MaximumXMLNesting))->load());
    auto archive = archiveOver("<?xml version=\"1.0\" ?>\n" + nested(MaximumXMLNesting + 1));
    LogCapture log;
    EXPECT_FALSE(archive->load());
    const std::size_t column = 3 * MaximumXMLNesting + 1;
    EXPECT_EQ(log.text(), "Elements nested deeper than " + std::to_string(MaximumXMLNesting) +
                              " levels in row 2 col " + std::to_string(column) + ", file \n");
    EXPECT_FALSE(archive->enter("a"));
}

// Each would overflow the stack inside TinyXML's recursive parser if it got that far.
TEST(XMLNestingTest, HundredThousandLevelsFailWithoutReachingTheParser) {
    const std::string documents[] = {nested(100000),
                                     "<r>" + repeated("<a>&#x</a>x41;", 100000) + "</r>",
                                     "\xEF\xBB\xBF<r>" + repeated("<a>\xF0</a", 100000) + "</r>"};
    for (const std::string &document : documents) {
        SCOPED_TRACE(document.substr(0, 20));
        auto archive = archiveOver(document);
        LogCapture log;
        EXPECT_FALSE(archive->load());
        EXPECT_NE(log.text().find("nested deeper"), std::string::npos);
    }
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
        {"mismatched", "<r><a></b></r>"},
        {"unterminated attribute", "<r a='open></r>"},
        {"duplicate attribute", "<r a='1' a='2'/>"},
        {"blank", "   \n\t  "},
        {"text only", "just text"},
        {"unclosed comment", "<r><!-- never ends"},
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

TEST(XMLNestingTest, BinaryGarbageNeverCrashes) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string alphabet = "<>/=!?-[]&#x;'\" \nab\xEF\xBB\xBF\xF0\xE0";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 2000; ++i)
            text += byte(random) < 128 ? alphabet[byte(random) % alphabet.size()]
                                       : static_cast<char>(byte(random));
        auto archive = archiveOver(text);
        if (!archive->load()) {
            std::string kept = "kept";
            EXPECT_FALSE(archive->read(kept));
            EXPECT_EQ(kept, "kept");
        }
    }
}

} // namespace
