// XMLInputArchive over in-memory documents: conversion rules, attributes, navigation, failures.
#include "serialization/XMLInputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

using ArchiveTesting::archiveOver;
using ArchiveTesting::fields;
using ArchiveTesting::loaded;
using Cobalt::NodeHandle;
using Cobalt::Rect;
using Cobalt::Vector4;
using Cobalt::XMLInputArchive;

namespace {

// Reads <value>text</value> into a value that starts as value: the result and what it leaves.
template <typename T>
void expectRead(const std::string &text, T value, bool result, const T &left) {
    SCOPED_TRACE("text \"" + text + "\"");
    auto archive = loaded("<value>" + text + "</value>");
    ASSERT_TRUE(archive->enter("value"));
    EXPECT_EQ(archive->read(value), result);
    EXPECT_EQ(fields(value), fields(left));
}

// Reads attribute n of <e n="text"/> likewise; an attribute that is present always succeeds.
template <typename T> void expectAttribute(const std::string &text, T value, const T &left) {
    SCOPED_TRACE("attribute \"" + text + "\"");
    auto archive = loaded("<e n=\"" + text + "\"/>");
    ASSERT_TRUE(archive->enter("e"));
    EXPECT_TRUE(archive->readAttribute("n", value));
    EXPECT_EQ(fields(value), fields(left));
}

TEST(XMLInputArchiveTest, TextReadsConvertOrKeepTheValue) {
    const std::string s = "old";
    expectRead<std::string>("  two words \n next", s, true, "  two words \n next");
    expectRead<std::string>("", s, true, ""); // an element without text is the empty string
    expectRead("42", 0, true, 42);
    expectRead(" -7 trailing", 0, true, -7);
    expectRead("2.5", 0.0, true, 2.5);
    expectRead("0.25", 0.0f, true, 0.25f);
    expectRead("4000000000", 0u, true, 4000000000u);
    // Unparsable or out-of-range numbers fail and keep the value.
    expectRead("abc", 5, false, 5);
    expectRead(" - ", 5, false, 5);
    expectRead("99999999999", 5, false, 5);
    expectRead("x1", 1.5, false, 1.5);
    // No content succeeds unchanged (blank-only text is dropped by TinyXML); a child element fails.
    expectRead("", 9, true, 9);
    expectRead(" \n\t ", 9, true, 9);
    expectRead("<inner>3</inner>", 9, false, 9);
    // Characters are characters, not numbers.
    expectRead("65", 'z', true, '6');
    expectRead("  Q", 'z', true, 'Q');
    expectRead<unsigned char>("A", 0, true, 'A');
    // Rectangles read left top right bottom; fields after a failed number keep their values.
    expectRead("1 2 3 4", Rect{}, true, Rect{1, 3, 2, 4});
    expectRead("0.5 1.5 2.5 3.5", Cobalt::RectF{}, true, Cobalt::RectF{0.5f, 2.5f, 1.5f, 3.5f});
    expectRead("7 x 8 9", Rect{10, 20, 30, 40}, true, Rect{7, 20, 30, 40});
    expectRead("", Cobalt::Vector3d{1, 2, 3}, true, Cobalt::Vector3d{1, 2, 3});
    expectRead("-1 -2", Vector4{1, 2, 3, 4}, true, Vector4{-1, -2, 3, 4});
}

TEST(XMLInputArchiveTest, BoolTextTakesBothSpellingsOfEachWordOrADigit) {
    const std::pair<const char *, int> cases[] = {
        {"true", 1},   {"TRUE", 1},  {"1", 1},  {"false", 0}, {"FALSE", 0}, {"0", 0},
        {"False", -1}, {"True", -1}, {"2", -1}, {"yes", -1},  {"", -1}}; // -1: unchanged
    for (const auto &[text, expected] : cases)
        for (const bool start : {false, true})
            expectRead(text, start, true, expected < 0 ? start : expected == 1);
    expectAttribute("TRUE", false, true);
    expectAttribute("0", true, false);
    expectAttribute("False", true, true);
}

TEST(XMLInputArchiveTest, NumericAttributesTakeTheLeadingNumberAsAtoiAndAtofDo) {
    // Integer texts as int, as the low 16 bits, and as unsigned.
    const std::tuple<const char *, int, std::uint16_t, unsigned int> integers[] = {
        {"12abc", 12, 12, 12u},
        {"abc", 0, 0, 0u},
        {"  -1", -1, 65535, 4294967295u},
        {"70000", 70000, 4464, 70000u},
        {"4000000000", INT_MAX, 65535, 4000000000u},
        {"-99999999999", INT_MIN, 0, 3079215105u}};
    for (const auto &[text, asInt, as16, asUnsigned] : integers) {
        expectAttribute(text, 1, asInt);
        expectAttribute(text, std::uint16_t{1}, as16);
        expectAttribute(text, 1u, asUnsigned);
    }
    expectAttribute("2.5xyz", 0.0, 2.5);
    expectAttribute("-0.75", 0.0f, -0.75f);
    expectAttribute("word", 7.0, 0.0);
    expectAttribute("1e300", 0.0f, std::numeric_limits<float>::infinity());
    expectAttribute("1.5 2.5", Cobalt::Vector2{}, Cobalt::Vector2{1.5f, 2.5f});
    expectAttribute("1 2 3", Cobalt::Vector3{}, Cobalt::Vector3{1, 2, 3});
    expectAttribute("0.125 -4 8", Cobalt::Vector3d{}, Cobalt::Vector3d{0.125, -4, 8});
    expectAttribute("1 2 x 4", Vector4{9, 9, 9, 9}, Vector4{1, 2, 9, 9});
}

TEST(XMLInputArchiveTest, MissingAttributesAndClassNameFailAndKeepTheValue) {
    auto archive = loaded("<e a='1'/><f className='ButtonElement'/>");
    int whole = 3;
    EXPECT_FALSE(archive->readAttribute("a", whole)) << "the document itself has no attributes";
    ASSERT_TRUE(archive->enter("e"));
    std::string text = "kept";
    Cobalt::Vector2 vector{1, 2};
    EXPECT_FALSE(archive->readAttribute("absent", whole) ||
                 archive->readAttribute("absent", text) ||
                 archive->readAttribute("absent", vector) ||
                 archive->readAttribute(nullptr, text) || archive->readClassName(text));
    EXPECT_EQ(std::make_tuple(whole, text, vector.x), std::make_tuple(3, "kept", 1.0f));
    archive->leave();
    ASSERT_TRUE(archive->enter("f"));
    EXPECT_TRUE(archive->readClassName(text));
    EXPECT_EQ(text, "ButtonElement");
}

// Steps through children, reading each one's text (or name, for elements without text).
std::string walk(XMLInputArchive &archive, const char *name) {
    std::string seen;
    for (NodeHandle node = nullptr;
         (node = name ? archive.nextElement(node, name) : archive.nextNode(node));) {
        std::string text;
        seen += (archive.read(text) && !text.empty() ? text : archive.getName()) + ",";
    }
    return seen;
}

TEST(XMLInputArchiveTest, NextElementAndNextNodeWalkChildrenAndReturnToTheParent) {
    auto archive =
        loaded("<group><file>1</file><other/>text<file>2</file><!-- x --><file>3</file>"
               "</group><one>leading text<!-- c --><only/></one><none><other/></none><empty/>");
    ASSERT_TRUE(archive->enter("group"));
    EXPECT_EQ(walk(*archive, "file"), "1,2,3,");
    EXPECT_EQ(archive->getName(), "group");
    EXPECT_EQ(walk(*archive, nullptr), "1,other,text,2,3,") << "comments are skipped";
    EXPECT_EQ(archive->getName(), "group");
    archive->leave();
    ASSERT_TRUE(archive->enter("one"));
    EXPECT_EQ(walk(*archive, nullptr), "only,") << "the first step lands on the first element";
    archive->leave();
    ASSERT_TRUE(archive->enter("none"));
    EXPECT_EQ(walk(*archive, "file"), "");
    EXPECT_EQ(archive->nextElement(nullptr, nullptr), nullptr);
    EXPECT_EQ(archive->getName(), "none") << "no such child changes nothing";
    archive->leave();
    ASSERT_TRUE(archive->enter("empty"));
    EXPECT_EQ(walk(*archive, nullptr), "");
    EXPECT_EQ(archive->getName(), "empty");
}

TEST(XMLInputArchiveTest, LastLineIsTheRowOfTheLastTopNodesLastChild) {
    auto archive = loaded("<?xml version=\"1.0\" ?>\n<a>\n  <b/>\n\n  <c/>\n</a>\n");
    EXPECT_EQ(archive->getLastLine(), 5);
    ASSERT_TRUE(archive->enter("a"));
    EXPECT_EQ(archive->getLastLine(), 5) << "the same from any node";
    EXPECT_EQ(loaded("\n\n<only/>")->getLastLine(), 3);
}

TEST(XMLInputArchiveTest, EnterAndBeginObjectWithoutSourceFindTheFirstChildOfThatName) {
    auto archive = loaded("<config><a>first</a><width>640</width><a>second</a><title> Game </title>"
                          "<tagged name='alias'/></config>");
    EXPECT_FALSE(archive->enter("a")) << "a is not a child of the document";
    archive->leave();
    archive->leave();
    ASSERT_TRUE(archive->enter("config")) << "leaving the document keeps it current";
    EXPECT_FALSE(archive->enter("") || archive->enter("missing"));
    Cobalt::InputArchive *source = nullptr;
    EXPECT_FALSE(archive->beginObject("absent", source));
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(archive->getName(), "config");
    int width = 0, missing = 17;
    std::string first, title, name;
    EXPECT_TRUE(Cobalt::readNamed(*archive, "a", first) &&
                Cobalt::readNamed(*archive, "width", width) &&
                Cobalt::readNamed(*archive, "title", title));
    EXPECT_FALSE(Cobalt::readNamed(*archive, "height", missing));
    EXPECT_EQ(std::make_tuple(first, width, title, missing),
              std::make_tuple("first", 640, " Game ", 17));
    EXPECT_EQ(archive->getName(), "config");
    ASSERT_TRUE(archive->beginObject("tagged", source));
    EXPECT_EQ(source, archive.get());
    EXPECT_EQ(archive->getName(), "tagged");
    EXPECT_EQ(archive->openReference(name), nullptr) << "a name without a source";
    EXPECT_EQ(name, "alias");
    EXPECT_EQ(archive->openArchive(""), nullptr);
}

TEST(XMLInputArchiveTest, ArchivesThatDidNotLoadFailEverything) {
    XMLInputArchive withoutStream(std::unique_ptr<Cobalt::IO::Stream>{});
    EXPECT_FALSE(withoutStream.load());
    ArchiveTesting::expectEverythingFails(withoutStream);
    ArchiveTesting::expectEverythingFails(*archiveOver("<root a='1'>5</root>")); // never loaded
    ArchiveTesting::LogCapture log;
    auto empty = archiveOver("");
    EXPECT_FALSE(empty->load());
    EXPECT_EQ(log.text(), "") << "an empty stream is no parse error";
    ArchiveTesting::expectEverythingFails(*empty);
    auto reloaded = archiveOver("<root>5</root>");
    ASSERT_TRUE(reloaded->load() && reloaded->enter("root"));
    EXPECT_FALSE(reloaded->load()) << "the memory stream closed after the first load";
    ArchiveTesting::expectEverythingFails(*reloaded); // the earlier document is forgotten
}

} // namespace
