// What XMLOutputArchive writes, XMLInputArchive reads back, through real files and the engine.
#include "serialization/XMLInputArchive.h"
#include "serialization/XMLOutputArchive.h"

#include "tests/serialization/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using Cobalt::XMLInputArchive;
using Cobalt::XMLOutputArchive;

namespace {

// Every field of a value, comparable and printable.
auto fields(const Cobalt::Rect &v) { return std::make_tuple(v.left, v.right, v.top, v.bottom); }
auto fields(const Cobalt::RectF &v) { return std::make_tuple(v.left, v.right, v.top, v.bottom); }
auto fields(const Cobalt::Vector2 &v) { return std::make_tuple(v.x, v.y); }
auto fields(const Cobalt::Vector3 &v) { return std::make_tuple(v.x, v.y, v.z); }
auto fields(const Cobalt::Vector3d &v) { return std::make_tuple(v.x, v.y, v.z); }
auto fields(const Cobalt::Vector4 &v) { return std::make_tuple(v.x, v.y, v.z, v.w); }

class ArchiveRoundTripTest : public ArchiveTesting::EngineTest {
protected:
    std::unique_ptr<XMLInputArchive> reread(const std::string &name) {
        auto archive = std::make_unique<XMLInputArchive>(path(name));
        EXPECT_TRUE(archive->load());
        return archive;
    }
};

TEST_F(ArchiveRoundTripTest, EveryValueTypeReadsBackUnchanged) {
    const Cobalt::Rect rect{-1, 20, 300, 4000};
    const Cobalt::RectF rectF{0.5f, -1.25f, 8, 16.75f};
    const Cobalt::Vector2 vector2{3.5f, -0.125f};
    const Cobalt::Vector3 vector3{1, 2.5f, -3};
    const Cobalt::Vector3d vector3d{0.1, -22.75, 1e6};
    const Cobalt::Vector4 vector4{1, 0, -1, 0.5f};
    const std::string text = "  spaced <&> \"quoted\" \n second line ";
    {
        XMLOutputArchive out(path("values.xml"));
        ASSERT_TRUE(out.enter("values"));
        EXPECT_TRUE(Cobalt::writeNamed(out, "rect", rect));
        EXPECT_TRUE(Cobalt::writeNamed(out, "rectF", rectF));
        EXPECT_TRUE(Cobalt::writeNamed(out, "vector2", vector2));
        EXPECT_TRUE(Cobalt::writeNamed(out, "vector3", vector3));
        EXPECT_TRUE(Cobalt::writeNamed(out, "vector3d", vector3d));
        EXPECT_TRUE(Cobalt::writeNamed(out, "vector4", vector4));
        EXPECT_TRUE(Cobalt::writeNamed(out, "text", text));
        EXPECT_TRUE(Cobalt::writeNamed(out, "cString", "plain"));
        EXPECT_TRUE(Cobalt::writeNamed(out, "real", -12.0625));
        EXPECT_TRUE(Cobalt::writeNamed(out, "single", 0.5f));
        EXPECT_TRUE(Cobalt::writeNamed(out, "yes", true));
        EXPECT_TRUE(Cobalt::writeNamed(out, "no", false));
        EXPECT_TRUE(Cobalt::writeNamed(out, "natural", 4294967295u));
        EXPECT_TRUE(Cobalt::writeNamed(out, "whole", -2147483647 - 1));
        EXPECT_TRUE(Cobalt::writeNamed(out, "byte", static_cast<unsigned char>('x')));
        EXPECT_TRUE(Cobalt::writeNamed(out, "character", 'Z'));
    }
    auto in = reread("values.xml");
    ASSERT_TRUE(in->enter("values"));
    Cobalt::Rect rectIn;
    Cobalt::RectF rectFIn;
    Cobalt::Vector2 vector2In;
    Cobalt::Vector3 vector3In;
    Cobalt::Vector3d vector3dIn;
    Cobalt::Vector4 vector4In;
    std::string textIn, cStringIn;
    double realIn = 0;
    float singleIn = 0;
    bool yesIn = false, noIn = true;
    unsigned int naturalIn = 0;
    int wholeIn = 0;
    unsigned char byteIn = 0;
    char characterIn = 0;
    EXPECT_TRUE(Cobalt::readNamed(*in, "rect", rectIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "rectF", rectFIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "vector2", vector2In));
    EXPECT_TRUE(Cobalt::readNamed(*in, "vector3", vector3In));
    EXPECT_TRUE(Cobalt::readNamed(*in, "vector3d", vector3dIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "vector4", vector4In));
    EXPECT_TRUE(Cobalt::readNamed(*in, "text", textIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "cString", cStringIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "real", realIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "single", singleIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "yes", yesIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "no", noIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "natural", naturalIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "whole", wholeIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "byte", byteIn));
    EXPECT_TRUE(Cobalt::readNamed(*in, "character", characterIn));

    EXPECT_EQ(fields(rectIn), fields(rect));
    EXPECT_EQ(fields(rectFIn), fields(rectF));
    EXPECT_EQ(fields(vector2In), fields(vector2));
    EXPECT_EQ(fields(vector3In), fields(vector3));
    EXPECT_EQ(fields(vector3dIn), fields(vector3d));
    EXPECT_EQ(fields(vector4In), fields(vector4));
    EXPECT_EQ(textIn, text);
    EXPECT_EQ(cStringIn, "plain");
    EXPECT_EQ(realIn, -12.0625);
    EXPECT_EQ(singleIn, 0.5f);
    EXPECT_TRUE(yesIn);
    EXPECT_FALSE(noIn);
    EXPECT_EQ(naturalIn, 4294967295u);
    EXPECT_EQ(wholeIn, -2147483647 - 1);
    EXPECT_EQ(byteIn, 'x');
    EXPECT_EQ(characterIn, 'Z');
}

TEST_F(ArchiveRoundTripTest, AttributesReadBackUnchanged) {
    {
        XMLOutputArchive out(path("attributes.xml"));
        ASSERT_TRUE(out.enter("element"));
        out.writeClassName("EditElement");
        out.writeAttribute("text", std::string("it's \"fine\" & <ok>"));
        out.writeAttribute("real", -1.0625);
        out.writeAttribute("single", 2.75f);
        out.writeAttribute("short", static_cast<std::int16_t>(-300));
        out.writeAttribute("unsigned16", static_cast<std::uint16_t>(65000));
        out.writeAttribute("natural", 3000000000u);
        out.writeAttribute("whole", -5);
        out.writeAttribute("flag", true);
        out.writeAttribute("v2", Cobalt::Vector2{1.5f, -2});
        out.writeAttribute("v3", Cobalt::Vector3{0.25f, 0, 9});
        out.writeAttribute("v3d", Cobalt::Vector3d{123456.5, -0.0625, 7});
        out.writeAttribute("v4", Cobalt::Vector4{1, 2, 3, 4});
    }
    auto in = reread("attributes.xml");
    ASSERT_TRUE(in->enter("element"));
    std::string className, text;
    double real = 0;
    float single = 0;
    std::uint16_t shortBits = 0, unsigned16 = 0;
    unsigned int natural = 0;
    int whole = 0;
    bool flag = false;
    Cobalt::Vector2 v2;
    Cobalt::Vector3 v3;
    Cobalt::Vector3d v3d;
    Cobalt::Vector4 v4;
    EXPECT_TRUE(in->readClassName(className));
    EXPECT_TRUE(in->readAttribute("text", text));
    EXPECT_TRUE(in->readAttribute("real", real));
    EXPECT_TRUE(in->readAttribute("single", single));
    EXPECT_TRUE(in->readAttribute("short", shortBits));
    EXPECT_TRUE(in->readAttribute("unsigned16", unsigned16));
    EXPECT_TRUE(in->readAttribute("natural", natural));
    EXPECT_TRUE(in->readAttribute("whole", whole));
    EXPECT_TRUE(in->readAttribute("flag", flag));
    EXPECT_TRUE(in->readAttribute("v2", v2));
    EXPECT_TRUE(in->readAttribute("v3", v3));
    EXPECT_TRUE(in->readAttribute("v3d", v3d));
    EXPECT_TRUE(in->readAttribute("v4", v4));
    EXPECT_EQ(className, "EditElement");
    EXPECT_EQ(text, "it's \"fine\" & <ok>");
    EXPECT_EQ(real, -1.0625);
    EXPECT_EQ(single, 2.75f);
    EXPECT_EQ(static_cast<std::int16_t>(shortBits), -300) << "the same low 16 bits";
    EXPECT_EQ(unsigned16, 65000);
    EXPECT_EQ(natural, 3000000000u);
    EXPECT_EQ(whole, -5);
    EXPECT_TRUE(flag);
    EXPECT_EQ(fields(v2), fields(Cobalt::Vector2{1.5f, -2}));
    EXPECT_EQ(fields(v3), fields(Cobalt::Vector3{0.25f, 0, 9}));
    EXPECT_EQ(fields(v3d), fields(Cobalt::Vector3d{123456.5, -0.0625, 7}));
    EXPECT_EQ(fields(v4), fields(Cobalt::Vector4{1, 2, 3, 4}));
}

TEST_F(ArchiveRoundTripTest, NestedNodesAndRepeatedChildrenReadBack) {
    {
        XMLOutputArchive out(path("manifest.xml"));
        out.enter("manifest");
        out.writeAttribute("version", 7);
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
    auto in = reread("manifest.xml");
    ASSERT_TRUE(in->enter("manifest"));
    int version = 0;
    EXPECT_TRUE(in->readAttribute("version", version));
    EXPECT_EQ(version, 7);
    std::vector<std::string> seen;
    Cobalt::NodeHandle group = nullptr;
    while ((group = in->nextElement(group, "group")) != nullptr) {
        std::string groupName;
        in->readAttribute("name", groupName);
        Cobalt::NodeHandle file = nullptr;
        while ((file = in->nextElement(file, "file")) != nullptr) {
            std::string text;
            int size = -1;
            in->read(text);
            in->readAttribute("size", size);
            seen.push_back(groupName + ":" + text + ":" + std::to_string(size));
        }
        EXPECT_EQ(in->getName(), "group");
    }
    EXPECT_EQ(in->getName(), "manifest");
    EXPECT_EQ(seen,
              (std::vector<std::string>{"core:core/0:0", "core:core/1:100", "core:core/2:200",
                                        "maps:maps/0:0", "maps:maps/1:100", "maps:maps/2:200"}));
}

} // namespace
