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
    text.reserve(unit.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

std::string nested(std::size_t depth) {
    return repeated("<a>", depth) + "x" + repeated("</a>", depth);
}

// The text as load hands it to TinyXML: a line feed and zeros after it.
std::vector<char> padded(const std::string &text) {
    std::vector<char> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), {'\n', 0, 0, 0, 0});
    return bytes;
}

std::size_t scannedDepth(const std::string &text) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    const std::vector<char> bytes = padded(text);
    std::size_t depth = 0;
    while (findElementBeyond(bytes.data(), depth) != NestingWithinLimit)
        ++depth;
    return depth;
}

// The element depth of the tree TinyXML builds, walked without recursion.
std::size_t parsedDepth(const std::string &text) {
    TiXmlBase::SetCondenseWhiteSpace(false);
    const std::vector<char> bytes = padded(text);
    TiXmlDocument document;
    document.Parse(bytes.data());
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlElement *, std::size_t>> pending;
    for (auto *e = document.FirstChildElement(); e; e = e->NextSiblingElement())
        pending.emplace_back(e, 1);
    while (!pending.empty()) {
        const auto [element, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        for (auto *e = element->FirstChildElement(); e; e = e->NextSiblingElement())
            pending.emplace_back(e, depth + 1);
    }
    return deepest;
}

// Documents whose depth a plain tag counter gets wrong; the check must agree with TinyXML.
struct DepthCase {
    const char *label;
    std::string text;
};

std::ostream &operator<<(std::ostream &out, const DepthCase &depthCase) {
    return out << depthCase.label;
}

class NestingAgreesWithTinyXMLTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(NestingAgreesWithTinyXMLTest, CountsTheLevelsTinyXMLOpens) {
    EXPECT_EQ(scannedDepth(GetParam().text), parsedDepth(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, NestingAgreesWithTinyXMLTest,
    ::testing::Values(
        DepthCase{"plain", nested(5)},
        DepthCase{"self-closing", "<r><a/><b><c x='1'/><d>t</d></b></r>"},
        DepthCase{"comment", "<r><!-- <a><b><c> --><d>x</d></r>"},
        DepthCase{"cdata", "<r><![CDATA[<a><b></c>]]><d>x</d></r>"},
        DepthCase{"quoted", "<r a='<b><c>' b=\"/>\"><d>x</d></r>"},
        DepthCase{"declaration", "<?xml version='>' ?><r><d>x</d></r>"},
        DepthCase{"instruction", "<r><?pi <a> ?><d>x</d></r>"},
        DepthCase{"doctype", "<!DOCTYPE r><r><d>x</d></r>"},
        DepthCase{"stray end tags at the top", "</a></a><r><d>x</d></r>"},
        // A numeric entity runs from "&#x" to the nearest ';' with hex digits back to an 'x'.
        DepthCase{"entity hides end tags",
                  "<r>" + repeated("<a>&#x</a>x41;", 6) + repeated("</a>", 6) + "</r>"},
        DepthCase{"decimal entity hides end tags",
                  "<r>" + repeated("<a>&#</a>#65;", 4) + repeated("</a>", 4) + "</r>"},
        // Without an encoding the declaration makes TinyXML read UTF-8, so a four-byte lead
        // byte swallows the "</a" behind it.
        DepthCase{"UTF-8 lead byte hides end tags", "<?xml version=\"1.0\" ?><r>" +
                                                        repeated("<a>\xF0</a", 5) +
                                                        repeated("</a>", 5) + "</r>"},
        DepthCase{"siblings", "<r>" + repeated("<a><b>t</b><c/></a>", 1000) + "</r>"}));

TEST(XMLNestingTest, DocumentAtTheLimitLoads) {
    auto archive = archiveOver(nested(MaximumXMLNesting));
    EXPECT_TRUE(archive->load());
}

TEST(XMLNestingTest, OneLevelBeyondTheLimitFailsWithALogLine) {
    auto archive = archiveOver("<?xml version=\"1.0\" ?>\n" + nested(MaximumXMLNesting + 1));
    LogCapture log;
    EXPECT_FALSE(archive->load());
    const std::size_t column = 3 * MaximumXMLNesting + 1;
    EXPECT_EQ(log.text(), "Elements nested deeper than " + std::to_string(MaximumXMLNesting) +
                              " levels in row 2 col " + std::to_string(column) + ", file \n");
    EXPECT_FALSE(archive->enter("a"));
}

TEST(XMLNestingTest, HundredThousandLevelsFailWithoutReachingTheParser) {
    auto archive = archiveOver(nested(100000));
    LogCapture log;
    EXPECT_FALSE(archive->load());
    EXPECT_NE(log.text().find("nested deeper"), std::string::npos);
}

TEST(XMLNestingTest, DeepNestingBehindEntitiesIsCaught) {
    auto archive = archiveOver("<r>" + repeated("<a>&#x</a>x41;", 100000) + "</r>");
    EXPECT_FALSE(archive->load());
}

TEST(XMLNestingTest, DeepNestingBehindUTF8LeadBytesIsCaught) {
    auto archive = archiveOver("\xEF\xBB\xBF<r>" + repeated("<a>\xF0</a", 100000) + "</r>");
    EXPECT_FALSE(archive->load());
}

TEST(XMLNestingTest, TagsInsideCommentsAndAttributesDoNotCount) {
    const std::string opens = repeated("<a>", 100000);
    auto archive =
        archiveOver("<r v='" + opens + "'><!--" + opens + "--><![CDATA[" + opens + "]]></r>");
    EXPECT_TRUE(archive->load());
}

TEST(XMLNestingTest, ManySiblingsLoad) {
    auto archive = archiveOver("<r>" + repeated("<file/>", 100000) + "</r>");
    ASSERT_TRUE(archive->load());
    ASSERT_TRUE(archive->enter("r"));
    std::size_t count = 0;
    Cobalt::NodeHandle file = nullptr;
    while ((file = archive->nextElement(file, "file")) != nullptr)
        ++count;
    EXPECT_EQ(count, 100000u);
}

TEST(XMLNestingTest, AttributeOfSeveralMegabytesReadsBack) {
    const std::string big(4 * 1024 * 1024, 'q');
    auto archive = archiveOver("<r big='" + big + "'>" + big + "</r>");
    ASSERT_TRUE(archive->load());
    ASSERT_TRUE(archive->enter("r"));
    std::string attribute, text;
    EXPECT_TRUE(archive->readAttribute("big", attribute));
    EXPECT_TRUE(archive->read(text));
    EXPECT_EQ(attribute.size(), big.size());
    EXPECT_EQ(text.size(), big.size());
}

// Broken documents fail to load, are logged, and leave an archive that fails every read.
class MalformedDocumentTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(MalformedDocumentTest, FailsToLoadWithALogLine) {
    auto archive = archiveOver(GetParam().text);
    LogCapture log;
    EXPECT_FALSE(archive->load());
    EXPECT_NE(log.text().find(" in row "), std::string::npos);
    std::string text = "kept";
    EXPECT_FALSE(archive->read(text));
    EXPECT_FALSE(archive->enter("r"));
    EXPECT_EQ(text, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Documents, MalformedDocumentTest,
    ::testing::Values(DepthCase{"unclosed", "<r><a>text</a>"},
                      DepthCase{"mismatched", "<r><a></b></r>"},
                      DepthCase{"unterminated attribute", "<r a='open></r>"},
                      DepthCase{"duplicate attribute", "<r a='1' a='2'/>"},
                      DepthCase{"blank", "   \n\t  "}, DepthCase{"text only", "just text"},
                      DepthCase{"unclosed comment", "<r><!-- never ends"},
                      DepthCase{"lone lead byte at the end", "\xEF\xBB\xBF<r a='\xF0"},
                      DepthCase{"deep and unclosed", repeated("<a>", 5000)}));

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
