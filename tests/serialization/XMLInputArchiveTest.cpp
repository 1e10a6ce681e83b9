// XMLInputArchive over in-memory documents: conversion rules, attributes, navigation, failures.
#include "serialization/XMLInputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <climits>

using ArchiveTesting::archiveOver;
using ArchiveTesting::fields;
using Cobalt::Rect;
using Cobalt::XMLInputArchive;

namespace {

// An archive over text that must load, entered at its top element top.
std::unique_ptr<XMLInputArchive> loaded(const std::string &text, const char *top) {
    auto archive = archiveOver(text);
    EXPECT_TRUE(archive->load() && archive->enter(top)) << text.substr(0, 200);
    return archive;
}

// Reads <value>text</value> into a value that starts as value: the result and what it leaves.
template <typename T>
void expectRead(const std::string &text, T value, bool result, const T &left) {
    SCOPED_TRACE("text \"" + text + "\"");
    EXPECT_EQ(loaded("<value>" + text + "</value>", "value")->read(value), result);
    EXPECT_EQ(fields(value), fields(left));
}

// Reads attribute n of <e n="text"/> likewise; an attribute that is present always succeeds.
template <typename T> void expectAttribute(const std::string &text, T value, const T &left) {
    SCOPED_TRACE("attribute \"" + text + "\"");
    EXPECT_TRUE(loaded("<e n=\"" + text + "\"/>", "e")->readAttribute("n", value));
    EXPECT_EQ(fields(value), fields(left));
}

TEST(XMLInputArchiveTest, TextReadsConvertOrKeepTheValue) {
    expectRead<std::string>("  two words \n next", "old", true, "  two words \n next");
    expectRead(" -7 trailing", 0, true, -7);
    // Unparsable or out-of-range numbers fail and keep the value.
    expectRead("abc", 5, false, 5);
    expectRead("99999999999", 5, false, 5);
    // No content succeeds unchanged; a first child that is an element fails.
    expectRead("", 9, true, 9);
    expectRead("<inner>3</inner>", 9, false, 9);
    expectRead("65", 'z', true, '6');
    // Rectangles read left top right bottom; fields after a failed number keep their values.
    expectRead("1 2 3 4", Rect{}, true, Rect{1, 3, 2, 4});
    expectRead("7 x 8 9", Rect{10, 20, 30, 40}, true, Rect{7, 20, 30, 40});
}

TEST(XMLInputArchiveTest, BoolTextTakesBothSpellingsOfEachWordOrADigit) {
    const std::pair<const char *, int> cases[] = {{"TRUE", 1},   {"1", 1},  {"false", 0},
                                                  {"False", -1}, {"2", -1}, {"", -1}};
    for (const auto &[text, expected] : cases) // -1: unchanged
        for (const bool start : {false, true})
            expectRead(text, start, true, expected < 0 ? start : expected == 1);
    expectAttribute("TRUE", false, true);
    expectAttribute("0", true, false);
}

TEST(XMLInputArchiveTest, NumericAttributesTakeTheLeadingNumberAsAtoiAndAtofDo) {
    // Integer texts as int, as the low 16 bits, and as unsigned.
    const std::tuple<const char *, int, std::uint16_t, unsigned int> integers[] = {
        {"12abc", 12, 12, 12u},
        {"  -1", -1, 65535, 4294967295u},
        {"70000", 70000, 4464, 70000u},
        {"4000000000", INT_MAX, 65535, 4000000000u}};
    for (const auto &[text, asInt, as16, asUnsigned] : integers) {
        expectAttribute(text, 1, asInt);
        expectAttribute(text, std::uint16_t{1}, as16);
        expectAttribute(text, 1u, asUnsigned);
    }
    expectAttribute("2.5xyz", 0.0, 2.5);
    expectAttribute("1 2 x 4", Cobalt::Vector4{9, 9, 9, 9}, Cobalt::Vector4{1, 2, 9, 9});
}

// The legacy code page unless the document says UTF-8; the encoding shows in what a character
// reference becomes: one byte, or its UTF-8 sequence.
TEST(XMLInputArchiveTest, ReadsUtf8OnlyWhenTheDocumentSaysSo) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "\xe9"},
        {"<?xml version=\"1.0\" ?>", "\xe9"},
        {"<?xml version='1.0' encoding='UTF-8x'?>", "\xe9"},
        {"<!-- first --><?xml version='1.0' encoding='UTF-8'?>", "\xe9"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xc3\xa9"},
        {" \n<?XML version='1.0' encoding='utf8'?>", "\xc3\xa9"},
        {"\xef\xbb\xbf", "\xc3\xa9"},
        {"\xef\xbb\xbf<?xml version='1.0' encoding='ISO-8859-1'?>", "\xc3\xa9"}};
    for (const auto &[head, expected] : cases) {
        auto archive = loaded(head + "<a v='&#xE9;'>&#xE9;</a>", "a");
        std::string text, attribute;
        EXPECT_TRUE(archive->read(text) && archive->readAttribute("v", attribute));
        EXPECT_EQ(text + "|" + attribute, expected + "|" + expected) << head;
    }
}

// Siblings of any name in order, comments skipped, and back to the parent at the end.
TEST(XMLInputArchiveTest, NextNodeVisitsEveryChildButComments) {
    auto archive = loaded("<r><!--c--><a>1</a>text<b/><!--d--></r>", "r");
    std::string seen;
    for (Cobalt::NodeHandle node = nullptr; (node = archive->nextNode(node));)
        seen += archive->getName() + ",";
    EXPECT_EQ(seen, "a,text,b,");
    EXPECT_EQ(archive->getName(), "r");
    EXPECT_TRUE(archive->enter("b"));
    EXPECT_EQ(archive->nextNode(nullptr), nullptr);
    EXPECT_EQ(archive->getName(), "b") << "no children: nothing changes";
}

TEST(XMLInputArchiveTest, ArchivesThatDidNotLoadFailEverything) {
    XMLInputArchive withoutStream(std::unique_ptr<Cobalt::IO::Stream>{});
    EXPECT_FALSE(withoutStream.load());
    ArchiveTesting::expectEverythingFails(withoutStream);
    ArchiveTesting::expectEverythingFails(*archiveOver("<root a='1'>5</root>")); // never loaded
    Testing::LogCapture log;
    auto empty = archiveOver("");
    EXPECT_FALSE(empty->load());
    EXPECT_EQ(log.text(), "") << "an empty stream is no parse error";
    ArchiveTesting::expectEverythingFails(*empty);
    auto reloaded = loaded("<root>5</root>", "root");
    EXPECT_FALSE(reloaded->load()) << "the memory stream closed after the first load";
    ArchiveTesting::expectEverythingFails(*reloaded); // the earlier document is forgotten
}

} // namespace
