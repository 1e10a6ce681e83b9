// What XMLOutputArchive writes, XMLInputArchive reads back, through real files and the engine.
#include "serialization/XMLInputArchive.h"
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <type_traits>
#include <utility>

using ArchiveTesting::fields;
using Cobalt::XMLInputArchive;
using Cobalt::XMLOutputArchive;

namespace {

template <typename F, std::size_t... I> void forIndices(F f, std::index_sequence<I...>) {
    (f(std::integral_constant<std::size_t, I>{}), ...);
}

// Calls f with each index of tuple as a compile-time constant.
template <typename Tuple, typename F> void forEachIndex(const Tuple &, F f) {
    forIndices(f, std::make_index_sequence<std::tuple_size_v<Tuple>>{});
}

class ArchiveRoundTripTest : public ArchiveTesting::EngineTest {
protected:
    std::unique_ptr<XMLInputArchive> reread(const std::string &name, const std::string &top) {
        auto archive = std::make_unique<XMLInputArchive>(path(name));
        EXPECT_TRUE(archive->load() && archive->enter(top));
        return archive;
    }
};

// Each value goes out as the text of child "v<i>" and as attribute "a<i>" where one exists.
TEST_F(ArchiveRoundTripTest, EveryValueTypeReadsBackUnchangedAsTextAndAsAttribute) {
    const auto values = std::make_tuple(
        Cobalt::Vector2{3.5f, -0.125f}, Cobalt::Vector3{1, 2.5f, -3},
        Cobalt::Vector3d{0.1, -22.75, 1e6}, Cobalt::Vector4{1, 0, -1, 0.5f},
        std::string("  spaced <&> \"it's\" \n second line "), -12.0625, 0.5f, 4294967295u, INT_MIN,
        true, false, Cobalt::Rect{-1, 20, 300, 4000}, Cobalt::RectF{0.5f, -1.25f, 8, 16.75f},
        static_cast<unsigned char>('x'), 'Z');
    constexpr std::size_t attributeTypes = 11; // the first ones, up to the bools
    {
        XMLOutputArchive out(path("values.xml"));
        ASSERT_TRUE(out.enter("values"));
        out.writeClassName("EditElement");
        EXPECT_TRUE(out.writeAttribute("short", static_cast<std::int16_t>(-300)));
        EXPECT_TRUE(out.writeAttribute("unsigned16", std::uint16_t{65000}));
        forEachIndex(values, [&](auto i) {
            const std::string index = std::to_string(i);
            EXPECT_TRUE(Cobalt::writeNamed(out, "v" + index, std::get<i>(values)));
            if constexpr (i < attributeTypes) {
                EXPECT_TRUE(out.writeAttribute(("a" + index).c_str(), std::get<i>(values)));
            }
        });
        EXPECT_TRUE(Cobalt::writeNamed(out, "cString", "plain"));
    }
    auto in = reread("values.xml", "values");
    std::remove_const_t<decltype(values)> text, attribute;
    std::get<10>(text) = std::get<10>(attribute) = true; // v10 is false: the reads must replace it
    forEachIndex(values, [&](auto i) {
        const std::string index = std::to_string(i);
        EXPECT_TRUE(Cobalt::readNamed(*in, "v" + index, std::get<i>(text)));
        EXPECT_EQ(fields(std::get<i>(text)), fields(std::get<i>(values))) << "value " << i;
        if constexpr (i < attributeTypes) {
            EXPECT_TRUE(in->readAttribute(("a" + index).c_str(), std::get<i>(attribute)));
            EXPECT_EQ(fields(std::get<i>(attribute)), fields(std::get<i>(values)))
                << "attribute " << i;
        }
    });
    std::string cString, className;
    std::uint16_t shortBits = 0, unsigned16 = 0;
    EXPECT_TRUE(Cobalt::readNamed(*in, "cString", cString) && in->readClassName(className));
    EXPECT_TRUE(in->readAttribute("short", shortBits) &&
                in->readAttribute("unsigned16", unsigned16));
    EXPECT_EQ(std::make_tuple(cString, className, unsigned16),
              std::make_tuple("plain", "EditElement", 65000));
    EXPECT_EQ(static_cast<std::int16_t>(shortBits), -300) << "the same low 16 bits";
}

TEST_F(ArchiveRoundTripTest, NestedNodesAndRepeatedChildrenReadBack) {
    {
        XMLOutputArchive out(path("manifest.xml"));
        out.enter("manifest");
        for (const char *group : {"core", "maps"}) {
            out.enter("group");
            out.writeAttribute("name", std::string(group));
            for (int file = 0; file < 3; ++file) {
                out.enter("file");
                out.writeAttribute("size", file * 100);
                out.write(std::string(group) + "/" + std::to_string(file));
                out.leave();
            }
            out.leave();
        }
    }
    auto in = reread("manifest.xml", "manifest");
    std::string seen;
    for (Cobalt::NodeHandle group = nullptr; (group = in->nextElement(group, "group"));) {
        std::string groupName;
        in->readAttribute("name", groupName);
        for (Cobalt::NodeHandle file = nullptr; (file = in->nextElement(file, "file"));) {
            std::string text;
            int size = -1;
            in->read(text);
            in->readAttribute("size", size);
            seen += groupName + ":" + text + ":" + std::to_string(size) + ",";
        }
        EXPECT_EQ(in->getName(), "group");
    }
    EXPECT_EQ(in->getName(), "manifest");
    EXPECT_EQ(seen, "core:core/0:0,core:core/1:100,core:core/2:200,"
                    "maps:maps/0:0,maps:maps/1:100,maps:maps/2:200,");
}

} // namespace
