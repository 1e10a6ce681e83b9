// Shared helpers of the archive tests: in-memory documents, a captured log, a real engine.
#pragma once

#include "app/Engine.h"
#include "app/Log.h"
#include "io/FileServer.h"
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "serialization/XMLInputArchive.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ArchiveTesting {

// An archive over the bytes of text, not loaded yet (its name is empty).
inline std::unique_ptr<Cobalt::XMLInputArchive> archiveOver(const std::string &text) {
    return std::make_unique<Cobalt::XMLInputArchive>(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(text.begin(), text.end())));
}

// An archive over text that must load.
inline std::unique_ptr<Cobalt::XMLInputArchive> loaded(const std::string &text) {
    auto archive = archiveOver(text);
    EXPECT_TRUE(archive->load()) << text.substr(0, 200);
    return archive;
}

using Testing::LogCapture;

// A started engine whose file server reaches a fresh temporary folder as "tst:".
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string root = folder.path().substr(0, folder.path().size() - 1);
        Cobalt::startEngine()->getFileServer()->setAlias("tst", root.c_str());
    }
    void TearDown() override { Cobalt::shutdownEngine(); }

    static Cobalt::IO::FileServer &server() { return *Cobalt::Engine::instance()->getFileServer(); }
    static std::string path(const std::string &name) { return "tst:" + name; }
    // The name the file server gives the stream of name, as the archives report it.
    static std::string streamName(const std::string &name) {
        const auto stream = server().open(path(name), Cobalt::IO::In);
        return stream ? stream->getName() : std::string();
    }

    Testing::TempFolder folder;
};

} // namespace ArchiveTesting
