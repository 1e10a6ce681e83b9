// Shared helpers of the archive tests: in-memory documents, comparable values, a real engine.
#pragma once

#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/MemoryStream.h"
#include "serialization/XMLInputArchive.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

namespace ArchiveTesting {

// An archive over the bytes of text, not loaded yet (its name is empty).
inline std::unique_ptr<Cobalt::XMLInputArchive> archiveOver(const std::string &text) {
    return std::make_unique<Cobalt::XMLInputArchive>(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(text.begin(), text.end())));
}

// Every field of a value, comparable and printable; scalars stand for themselves.
template <typename T> T fields(const T &value) { return value; }
inline auto fields(const Cobalt::Rect &v) {
    return std::make_tuple(v.left, v.right, v.top, v.bottom);
}
inline auto fields(const Cobalt::RectF &v) {
    return std::make_tuple(v.left, v.right, v.top, v.bottom);
}
inline auto fields(const Cobalt::Vector2 &v) { return std::make_tuple(v.x, v.y); }
inline auto fields(const Cobalt::Vector3 &v) { return std::make_tuple(v.x, v.y, v.z); }
inline auto fields(const Cobalt::Vector3d &v) { return std::make_tuple(v.x, v.y, v.z); }
inline auto fields(const Cobalt::Vector4 &v) { return std::make_tuple(v.x, v.y, v.z, v.w); }

// An archive that did not load answers every call with failure and changes no target.
inline void expectEverythingFails(Cobalt::XMLInputArchive &archive) {
    std::string text = "kept";
    int whole = 4;
    Cobalt::Rect rect{1, 2, 3, 4};
    Cobalt::InputArchive *source = nullptr;
    EXPECT_FALSE(archive.read(text) || archive.read(whole) || archive.read(rect) ||
                 archive.readAttribute("a", whole) || archive.readAttribute("a", text) ||
                 archive.readClassName(text) || archive.enter("root") ||
                 archive.beginObject("root", source));
    EXPECT_EQ(std::make_tuple(text, whole, fields(rect)),
              std::make_tuple("kept", 4, fields(Cobalt::Rect{1, 2, 3, 4})));
    archive.leave();
    EXPECT_EQ(archive.nextElement(nullptr, "root"), nullptr);
    EXPECT_EQ(archive.nextNode(nullptr), nullptr);
    EXPECT_EQ(archive.getName(), "");
    EXPECT_EQ(archive.getLastLine(), 0);
    EXPECT_EQ(archive.openReference(text), nullptr);
}

// A started engine whose file server reaches a fresh temporary folder as "tst:".
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string root = folder.path().substr(0, folder.path().size() - 1);
        Cobalt::startEngine()->getFileServer()->setAlias("tst", root.c_str());
    }
    void TearDown() override { Cobalt::shutdownEngine(); }

    static std::string path(const std::string &name) { return "tst:" + name; }
    // The archive of file name, loaded and entered at its top element top.
    static std::unique_ptr<Cobalt::XMLInputArchive> reread(const std::string &name,
                                                           const std::string &top) {
        auto archive = std::make_unique<Cobalt::XMLInputArchive>(path(name));
        EXPECT_TRUE(archive->load() && archive->enter(top));
        return archive;
    }

    Testing::TempFolder folder;
};

} // namespace ArchiveTesting
