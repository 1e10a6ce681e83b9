// What XMLOutputArchive writes, XMLInputArchive reads back, through real files and the engine.
#include "serialization/XMLInputArchive.h"
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <type_traits>
#include <utility>

using ArchiveTesting::fields;

namespace {

// Calls f with each index of an index sequence as a compile-time constant.
template <typename F, std::size_t... I> void forIndices(std::index_sequence<I...>, F f) {
    (f(std::integral_constant<std::size_t, I>{}), ...);
}

using ArchiveRoundTripTest = ArchiveTesting::EngineTest;

// Each value goes out as the text of child "v<i>" and as attribute "v<i>" where one exists.
TEST_F(ArchiveRoundTripTest, EveryValueTypeReadsBackUnchangedAsTextAndAsAttribute) {
    const auto values = std::make_tuple(
        Cobalt::Vector2{3.5f, -0.125f}, Cobalt::Vector3{1, 2.5f, -3},
        Cobalt::Vector3d{0.1, -22.75, 1e6}, Cobalt::Vector4{1, 0, -1, 0.5f},
        std::string("  spaced <&> \"it's\" \n second line "), -12.0625, 0.5f, 4294967295u, INT_MIN,
        true, false, Cobalt::Rect{-1, 20, 300, 4000}, Cobalt::RectF{0.5f, -1.25f, 8, 16.75f},
        static_cast<unsigned char>('x'), 'Z');
    const auto indices = std::make_index_sequence<std::tuple_size_v<decltype(values)>>{};
    constexpr std::size_t attributeTypes = 11; // up to the bools
    {
        Cobalt::XMLOutputArchive out(path("values.xml"));
        ASSERT_TRUE(out.enter("values"));
        out.writeClassName("EditElement");
        EXPECT_TRUE(out.writeAttribute("short", static_cast<std::int16_t>(-300)) &&
                    out.writeAttribute("unsigned16", std::uint16_t{65000}));
        forIndices(indices, [&](auto i) {
            const std::string name = "v" + std::to_string(i);
            EXPECT_TRUE(Cobalt::writeNamed(out, name, std::get<i>(values)));
            if constexpr (i < attributeTypes) {
                EXPECT_TRUE(out.writeAttribute(name.c_str(), std::get<i>(values)));
            }
        });
    }
    auto in = reread("values.xml", "values");
    std::remove_const_t<decltype(values)> text, attribute;
    std::get<10>(text) = std::get<10>(attribute) = true; // v10 is false: the reads must replace it
    forIndices(indices, [&](auto i) {
        const std::string name = "v" + std::to_string(i);
        EXPECT_TRUE(Cobalt::readNamed(*in, name, std::get<i>(text)));
        EXPECT_EQ(fields(std::get<i>(text)), fields(std::get<i>(values))) << name;
        if constexpr (i < attributeTypes) {
            EXPECT_TRUE(in->readAttribute(name.c_str(), std::get<i>(attribute)));
            EXPECT_EQ(fields(std::get<i>(attribute)), fields(std::get<i>(values))) << "@" << name;
        }
    });
    std::string className;
    std::uint16_t shortBits = 0, unsigned16 = 0;
    EXPECT_TRUE(in->readClassName(className) && in->readAttribute("short", shortBits) &&
                in->readAttribute("unsigned16", unsigned16));
    EXPECT_EQ(std::make_tuple(className, unsigned16), std::make_tuple("EditElement", 65000));
    EXPECT_EQ(static_cast<std::int16_t>(shortBits), -300) << "the same low 16 bits";
}

// The launcher writes the ANSI code page under a declaration that names no encoding: a name
// ending in a byte such as é or ß must not swallow the end tag when it is read back.
TEST_F(ArchiveRoundTripTest, AccentedNamesAndValuesReadBack) {
    const std::string names[] = {"Jos\xe9", "Stra\xdf", "\xe9t\xe9 \xf0\xff"};
    {
        Cobalt::XMLOutputArchive out(path("credentials.xml"));
        out.enter("credentials");
        for (std::size_t i = 0; i < std::size(names); ++i) {
            EXPECT_TRUE(Cobalt::writeNamed(out, "userID" + std::to_string(i), names[i]));
            EXPECT_TRUE(out.writeAttribute(("a" + std::to_string(i)).c_str(), names[i]));
        }
    }
    EXPECT_NE(folder.read("credentials.xml").find(">Jos\xe9</userID0>"), std::string::npos);
    auto in = reread("credentials.xml", "credentials");
    for (std::size_t i = 0; i < std::size(names); ++i) {
        std::string text, attribute;
        EXPECT_TRUE(Cobalt::readNamed(*in, "userID" + std::to_string(i), text));
        EXPECT_TRUE(in->readAttribute(("a" + std::to_string(i)).c_str(), attribute));
        EXPECT_EQ(text, names[i]);
        EXPECT_EQ(attribute, names[i]);
    }
}

// nextElement steps into each child and back out to the parent after the last.
TEST_F(ArchiveRoundTripTest, NestedNodesAndRepeatedChildrenReadBack) {
    {
        Cobalt::XMLOutputArchive out(path("manifest.xml"));
        out.enter("manifest");
        for (const std::string group : {"core", "maps"}) {
            out.enter("group");
            out.writeAttribute("name", group);
            for (int file = 0; file < 2; ++file) {
                out.enter("file");
                out.writeAttribute("size", file * 100);
                out.write(group + std::to_string(file));
                out.leave();
                Cobalt::writeNamed(out, "note", file); // a sibling nextElement must skip
            }
            out.leave();
        }
    }
    auto in = reread("manifest.xml", "manifest");
    std::string seen, group, text;
    int size = -1;
    for (Cobalt::NodeHandle node = nullptr; (node = in->nextElement(node, "group"));) {
        in->readAttribute("name", group);
        for (Cobalt::NodeHandle file = nullptr; (file = in->nextElement(file, "file"));)
            if (in->read(text) && in->readAttribute("size", size))
                seen += group + ":" + text + ":" + std::to_string(size) + ",";
        EXPECT_EQ(in->getName(), "group");
    }
    EXPECT_EQ(in->nextElement(nullptr, "missing"), nullptr);
    EXPECT_EQ(in->getName(), "manifest");
    EXPECT_EQ(seen, "core:core0:0,core:core1:100,maps:maps0:0,maps:maps1:100,");
}

} // namespace
