// XMLInputArchive over in-memory documents: conversion rules, attributes, navigation, failures.
#include "serialization/XMLInputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using ArchiveTesting::archiveOver;
using ArchiveTesting::loaded;
using Cobalt::NodeHandle;
using Cobalt::XMLInputArchive;

namespace {

// An archive on <value>text</value>, entered.
std::unique_ptr<XMLInputArchive> onValue(const std::string &text) {
    auto archive = loaded("<value>" + text + "</value>");
    EXPECT_TRUE(archive->enter("value"));
    return archive;
}

TEST(XMLInputArchiveTest, StringKeepsLeadingBlanksAndLineBreaks) {
    std::string value = "old";
    EXPECT_TRUE(onValue("  two words \n next")->read(value));
    EXPECT_EQ(value, "  two words \n next");
    EXPECT_TRUE(onValue("")->read(value));
    EXPECT_EQ(value, "") << "an element without text reads as the empty string";
}

// Bool text: the two spellings of each word, else 0 or 1; anything else keeps the value.
struct BoolCase {
    const char *text;
    int expected; // 1 true, 0 false, -1 unchanged
};

class BoolTextTest : public ::testing::TestWithParam<BoolCase> {};

TEST_P(BoolTextTest, ConvertsOrKeeps) {
    for (const bool start : {false, true}) {
        bool value = start;
        EXPECT_TRUE(onValue(GetParam().text)->read(value));
        const bool expected = GetParam().expected < 0 ? start : GetParam().expected == 1;
        EXPECT_EQ(value, expected) << "starting from " << start;
    }
}

INSTANTIATE_TEST_SUITE_P(Words, BoolTextTest,
                         ::testing::Values(BoolCase{"true", 1}, BoolCase{"TRUE", 1},
                                           BoolCase{"1", 1}, BoolCase{"false", 0},
                                           BoolCase{"FALSE", 0}, BoolCase{"0", 0},
                                           BoolCase{"False", -1}, BoolCase{"True", -1},
                                           BoolCase{"2", -1}, BoolCase{"yes", -1},
                                           BoolCase{"", -1}));

TEST(XMLInputArchiveTest, BoolAttributeFollowsTheSameWords) {
    auto archive = loaded("<e a='TRUE' b='0' c='False'/>");
    ASSERT_TRUE(archive->enter("e"));
    bool a = false, b = true, c = true;
    EXPECT_TRUE(archive->readAttribute("a", a));
    EXPECT_TRUE(archive->readAttribute("b", b));
    EXPECT_TRUE(archive->readAttribute("c", c));
    EXPECT_TRUE(a);
    EXPECT_FALSE(b);
    EXPECT_TRUE(c);
}

TEST(XMLInputArchiveTest, NumbersExtractFromTheStartOfTheText) {
    int whole = 0;
    EXPECT_TRUE(onValue("42")->read(whole));
    EXPECT_EQ(whole, 42);
    EXPECT_TRUE(onValue(" -7 trailing")->read(whole));
    EXPECT_EQ(whole, -7);
    double real = 0.0;
    EXPECT_TRUE(onValue("2.5")->read(real));
    EXPECT_EQ(real, 2.5);
    float single = 0.0f;
    EXPECT_TRUE(onValue("0.25")->read(single));
    EXPECT_EQ(single, 0.25f);
    unsigned int natural = 0;
    EXPECT_TRUE(onValue("4000000000")->read(natural));
    EXPECT_EQ(natural, 4000000000u);
}

TEST(XMLInputArchiveTest, UnparsableNumbersFailAndKeepTheValue) {
    int whole = 5;
    EXPECT_FALSE(onValue("abc")->read(whole));
    EXPECT_EQ(whole, 5);
    EXPECT_FALSE(onValue(" - ")->read(whole));
    EXPECT_EQ(whole, 5);
    EXPECT_FALSE(onValue("99999999999")->read(whole)) << "out of range";
    EXPECT_EQ(whole, 5);
    double real = 1.5;
    EXPECT_FALSE(onValue("x1")->read(real));
    EXPECT_EQ(real, 1.5);
}

TEST(XMLInputArchiveTest, ElementWithoutContentReadsAsUnchangedSuccess) {
    int whole = 9;
    EXPECT_TRUE(onValue("")->read(whole));
    EXPECT_EQ(whole, 9);
    EXPECT_TRUE(onValue(" \n\t ")->read(whole)) << "TinyXML drops text that is only blanks";
    EXPECT_EQ(whole, 9);
}

TEST(XMLInputArchiveTest, ElementHoldingAnElementFailsANumberRead) {
    int whole = 9;
    EXPECT_FALSE(onValue("<inner>3</inner>")->read(whole));
    EXPECT_EQ(whole, 9);
}

TEST(XMLInputArchiveTest, CharactersAreReadAsCharactersNotNumbers) {
    char character = 'z';
    EXPECT_TRUE(onValue("65")->read(character));
    EXPECT_EQ(character, '6');
    EXPECT_TRUE(onValue("  Q")->read(character));
    EXPECT_EQ(character, 'Q');
    unsigned char byte = 0;
    EXPECT_TRUE(onValue("A")->read(byte));
    EXPECT_EQ(byte, 'A');
}

TEST(XMLInputArchiveTest, RectTextIsLeftTopRightBottom) {
    Cobalt::Rect rect;
    EXPECT_TRUE(onValue("1 2 3 4")->read(rect));
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.right, 3);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.bottom, 4);

    Cobalt::RectF rectF;
    EXPECT_TRUE(onValue("0.5 1.5 2.5 3.5")->read(rectF));
    EXPECT_EQ(rectF.left, 0.5f);
    EXPECT_EQ(rectF.right, 2.5f);
    EXPECT_EQ(rectF.top, 1.5f);
    EXPECT_EQ(rectF.bottom, 3.5f);
}

TEST(XMLInputArchiveTest, CompositeFieldsAfterAFailedNumberKeepTheirValues) {
    Cobalt::Rect rect{10, 20, 30, 40};
    EXPECT_TRUE(onValue("7 x 8 9")->read(rect));
    EXPECT_EQ(rect.left, 7);
    EXPECT_EQ(rect.top, 30);
    EXPECT_EQ(rect.right, 20);
    EXPECT_EQ(rect.bottom, 40);

    Cobalt::Vector3d vector{1.0, 2.0, 3.0};
    EXPECT_TRUE(onValue("")->read(vector));
    EXPECT_EQ(vector.x, 1.0);
    EXPECT_EQ(vector.z, 3.0);
    Cobalt::Vector4 vector4{1, 2, 3, 4};
    EXPECT_TRUE(onValue("-1 -2")->read(vector4));
    EXPECT_EQ(vector4.x, -1.0f);
    EXPECT_EQ(vector4.y, -2.0f);
    EXPECT_EQ(vector4.z, 3.0f);
    EXPECT_EQ(vector4.w, 4.0f);
}

// Integer attributes: the leading number as atoi finds it, 0 when there is none.
struct IntegerAttributeCase {
    const char *text;
    int asInt;
    std::uint16_t as16;
    unsigned int asUnsigned;
};

class IntegerAttributeTest : public ::testing::TestWithParam<IntegerAttributeCase> {};

TEST_P(IntegerAttributeTest, TakesTheLeadingNumber) {
    auto archive = loaded(std::string("<e n='") + GetParam().text + "'/>");
    ASSERT_TRUE(archive->enter("e"));
    int asInt = 1;
    std::uint16_t as16 = 1;
    unsigned int asUnsigned = 1;
    EXPECT_TRUE(archive->readAttribute("n", asInt));
    EXPECT_TRUE(archive->readAttribute("n", as16));
    EXPECT_TRUE(archive->readAttribute("n", asUnsigned));
    EXPECT_EQ(asInt, GetParam().asInt);
    EXPECT_EQ(as16, GetParam().as16);
    EXPECT_EQ(asUnsigned, GetParam().asUnsigned);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerAttributeTest,
    ::testing::Values(IntegerAttributeCase{"12abc", 12, 12, 12u},
                      IntegerAttributeCase{"abc", 0, 0, 0u},
                      IntegerAttributeCase{"  -1", -1, 65535, 4294967295u},
                      IntegerAttributeCase{"70000", 70000, 4464, 70000u},
                      IntegerAttributeCase{"4000000000", INT_MAX, 65535, 4000000000u},
                      IntegerAttributeCase{"-99999999999", INT_MIN, 0, 3079215105u}));

TEST(XMLInputArchiveTest, RealAttributesTakeTheLeadingNumber) {
    auto archive = loaded("<e d='2.5xyz' f='-0.75' none='word' huge='1e300'/>");
    ASSERT_TRUE(archive->enter("e"));
    double d = 0.0, none = 7.0;
    float f = 0.0f, huge = 0.0f;
    EXPECT_TRUE(archive->readAttribute("d", d));
    EXPECT_TRUE(archive->readAttribute("f", f));
    EXPECT_TRUE(archive->readAttribute("none", none));
    EXPECT_TRUE(archive->readAttribute("huge", huge));
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(f, -0.75f);
    EXPECT_EQ(none, 0.0);
    EXPECT_TRUE(std::isinf(huge));
}

TEST(XMLInputArchiveTest, MissingAttributesFailAndKeepTheValue) {
    auto archive = loaded("<e present='1'/>");
    ASSERT_TRUE(archive->enter("e"));
    int whole = 3;
    std::string text = "kept";
    Cobalt::Vector2 vector{1, 2};
    EXPECT_FALSE(archive->readAttribute("absent", whole));
    EXPECT_FALSE(archive->readAttribute("absent", text));
    EXPECT_FALSE(archive->readAttribute("absent", vector));
    EXPECT_FALSE(archive->readAttribute(nullptr, text));
    EXPECT_EQ(whole, 3);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(vector.x, 1.0f);
}

TEST(XMLInputArchiveTest, AttributesOfTheDocumentItselfAreMissing) {
    auto archive = loaded("<e a='1'/>");
    int whole = 3;
    EXPECT_FALSE(archive->readAttribute("a", whole));
    EXPECT_EQ(whole, 3);
}

TEST(XMLInputArchiveTest, VectorAttributesExtractTheirNumbers) {
    auto archive = loaded("<e v2='1.5 2.5' v3='1 2 3' v3d='0.125 -4 8' v4='1 2 x 4'/>");
    ASSERT_TRUE(archive->enter("e"));
    Cobalt::Vector2 v2;
    Cobalt::Vector3 v3;
    Cobalt::Vector3d v3d;
    Cobalt::Vector4 v4{9, 9, 9, 9};
    EXPECT_TRUE(archive->readAttribute("v2", v2));
    EXPECT_TRUE(archive->readAttribute("v3", v3));
    EXPECT_TRUE(archive->readAttribute("v3d", v3d));
    EXPECT_TRUE(archive->readAttribute("v4", v4));
    EXPECT_EQ(v2.y, 2.5f);
    EXPECT_EQ(v3.z, 3.0f);
    EXPECT_EQ(v3d.x, 0.125);
    EXPECT_EQ(v3d.y, -4.0);
    EXPECT_EQ(v4.y, 2.0f);
    EXPECT_EQ(v4.z, 9.0f);
    EXPECT_EQ(v4.w, 9.0f);
}

TEST(XMLInputArchiveTest, EnterFindsTheFirstChildOfThatNameOnly) {
    auto archive = loaded("<root><a>first</a><b/><a>second</a></root>");
    EXPECT_FALSE(archive->enter("a")) << "a is not a child of the document";
    ASSERT_TRUE(archive->enter("root"));
    EXPECT_FALSE(archive->enter(""));
    EXPECT_FALSE(archive->enter("missing"));
    EXPECT_EQ(archive->getName(), "root");
    ASSERT_TRUE(archive->enter("a"));
    std::string text;
    archive->read(text);
    EXPECT_EQ(text, "first");
    archive->leave();
    EXPECT_EQ(archive->getName(), "root");
}

TEST(XMLInputArchiveTest, LeavingTheDocumentKeepsItCurrent) {
    auto archive = loaded("<root/>");
    archive->leave();
    archive->leave();
    EXPECT_TRUE(archive->enter("root"));
}

TEST(XMLInputArchiveTest, NextElementWalksRepeatedChildrenAndReturnsToTheParent) {
    auto archive = loaded("<group><file>1</file><other/><file>2</file><!-- x --><file>3</file>"
                          "</group>");
    ASSERT_TRUE(archive->enter("group"));
    std::string seen;
    NodeHandle file = nullptr;
    int steps = 0;
    while ((file = archive->nextElement(file, "file")) != nullptr) {
        EXPECT_EQ(archive->getName(), "file");
        std::string text;
        archive->read(text);
        seen += text;
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(seen, "123");
    EXPECT_EQ(archive->getName(), "group");
}

TEST(XMLInputArchiveTest, NextElementWithoutSuchChildChangesNothing) {
    auto archive = loaded("<group><other/></group>");
    ASSERT_TRUE(archive->enter("group"));
    EXPECT_EQ(archive->nextElement(nullptr, "file"), nullptr);
    EXPECT_EQ(archive->getName(), "group");
    EXPECT_EQ(archive->nextElement(nullptr, nullptr), nullptr);
}

TEST(XMLInputArchiveTest, NextNodeVisitsEveryChildButComments) {
    auto archive = loaded("<list><a/><!-- skipped -->text<b/><!-- last --></list>");
    ASSERT_TRUE(archive->enter("list"));
    std::string names;
    NodeHandle node = nullptr;
    while ((node = archive->nextNode(node)) != nullptr)
        names += archive->getName() + ",";
    EXPECT_EQ(names, "a,text,b,");
    EXPECT_EQ(archive->getName(), "list");
}

TEST(XMLInputArchiveTest, NextNodeStartsAtTheFirstElement) {
    auto archive = loaded("<list>leading text<!-- c --><only/></list><empty/>");
    ASSERT_TRUE(archive->enter("list"));
    const NodeHandle first = archive->nextNode(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(archive->getName(), "only");
    archive->leave();
    archive->leave();
    ASSERT_TRUE(archive->enter("empty"));
    EXPECT_EQ(archive->nextNode(nullptr), nullptr);
    EXPECT_EQ(archive->getName(), "empty");
}

TEST(XMLInputArchiveTest, ReadClassNameReadsTheAttribute) {
    auto archive = loaded("<e className='ButtonElement'/><f/>");
    std::string className = "kept";
    ASSERT_TRUE(archive->enter("f"));
    EXPECT_FALSE(archive->readClassName(className));
    EXPECT_EQ(className, "kept");
    archive->leave();
    ASSERT_TRUE(archive->enter("e"));
    EXPECT_TRUE(archive->readClassName(className));
    EXPECT_EQ(className, "ButtonElement");
}

TEST(XMLInputArchiveTest, LastLineIsTheRowOfTheLastTopNodesLastChild) {
    auto archive = loaded("<?xml version=\"1.0\" ?>\n<a>\n  <b/>\n\n  <c/>\n</a>\n");
    EXPECT_EQ(archive->getLastLine(), 5);
    ASSERT_TRUE(archive->enter("a"));
    EXPECT_EQ(archive->getLastLine(), 5) << "the same from any node";
    auto leaf = loaded("\n\n<only/>");
    EXPECT_EQ(leaf->getLastLine(), 3);
}

TEST(XMLInputArchiveTest, ReadNamedReadsAChildAndLeavesIt) {
    auto archive = loaded("<config><width>640</width><title> Game </title></config>");
    ASSERT_TRUE(archive->enter("config"));
    int width = 0;
    std::string title;
    int missing = 17;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "width", width));
    EXPECT_TRUE(Cobalt::readNamed(*archive, "title", title));
    EXPECT_FALSE(Cobalt::readNamed(*archive, "height", missing));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(title, " Game ");
    EXPECT_EQ(missing, 17);
    EXPECT_EQ(archive->getName(), "config");
}

TEST(XMLInputArchiveTest, BeginObjectWithoutReferenceReadsFromThisArchive) {
    auto archive = loaded("<config><plain>5</plain></config>");
    ASSERT_TRUE(archive->enter("config"));
    Cobalt::InputArchive *source = nullptr;
    EXPECT_FALSE(archive->beginObject("absent", source));
    EXPECT_EQ(source, nullptr);
    ASSERT_TRUE(archive->beginObject("plain", source));
    EXPECT_EQ(source, archive.get());
    EXPECT_EQ(archive->getName(), "plain");
}

TEST(XMLInputArchiveTest, OpenReferenceNamesTheNodeWithoutASource) {
    auto archive = loaded("<config><tagged name='alias'/><bare/></config>");
    ASSERT_TRUE(archive->enter("config"));
    std::string name;
    ASSERT_TRUE(archive->enter("tagged"));
    EXPECT_EQ(archive->openReference(name), nullptr);
    EXPECT_EQ(name, "alias");
    archive->leave();
    ASSERT_TRUE(archive->enter("bare"));
    EXPECT_EQ(archive->openReference(name), nullptr);
    EXPECT_EQ(name, "bare");
    EXPECT_EQ(archive->openArchive(""), nullptr);
}

// An archive that never loaded answers everything with failure and touches no tree.
void expectEverythingFails(XMLInputArchive &archive) {
    std::string text = "kept";
    int whole = 4;
    bool flag = true;
    Cobalt::Rect rect{1, 2, 3, 4};
    char character = 'k';
    EXPECT_FALSE(archive.read(text));
    EXPECT_FALSE(archive.read(whole));
    EXPECT_FALSE(archive.read(flag));
    EXPECT_FALSE(archive.read(rect));
    EXPECT_FALSE(archive.read(character));
    EXPECT_FALSE(archive.readAttribute("a", whole));
    EXPECT_FALSE(archive.readAttribute("a", text));
    EXPECT_FALSE(archive.readClassName(text));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(whole, 4);
    EXPECT_EQ(rect.right, 2);
    EXPECT_FALSE(archive.enter("root"));
    archive.leave();
    Cobalt::InputArchive *source = nullptr;
    EXPECT_FALSE(archive.beginObject("root", source));
    EXPECT_FALSE(Cobalt::readNamed(archive, "root", whole));
    EXPECT_EQ(archive.nextElement(nullptr, "root"), nullptr);
    EXPECT_EQ(archive.nextNode(nullptr), nullptr);
    EXPECT_EQ(archive.getName(), "");
    EXPECT_EQ(archive.getLastLine(), 0);
    EXPECT_EQ(archive.openReference(text), nullptr);
}

TEST(XMLInputArchiveTest, ArchiveWithoutStreamFailsEverything) {
    XMLInputArchive archive(std::unique_ptr<Cobalt::IO::Stream>{});
    EXPECT_FALSE(archive.load());
    expectEverythingFails(archive);
}

TEST(XMLInputArchiveTest, ArchiveNeverLoadedFailsEverything) {
    auto archive = archiveOver("<root a='1'>5</root>");
    expectEverythingFails(*archive);
}

TEST(XMLInputArchiveTest, EmptyStreamFailsToLoadWithoutALogLine) {
    ArchiveTesting::LogCapture log;
    auto archive = archiveOver("");
    EXPECT_FALSE(archive->load());
    EXPECT_EQ(log.text(), "");
    expectEverythingFails(*archive);
}

TEST(XMLInputArchiveTest, FailedReloadForgetsTheEarlierDocument) {
    auto archive = archiveOver("<root>5</root>");
    ASSERT_TRUE(archive->load());
    ASSERT_TRUE(archive->enter("root"));
    EXPECT_FALSE(archive->load()) << "the memory stream closed after the first load";
    expectEverythingFails(*archive);
}

} // namespace
