// Shared set-up of the update tests: a file server working in a fresh folder, manifests as
// archives.
#pragma once

#include "io/FileServerImpl.h"
#include "io/MemoryStream.h"
#include "io/Win32FileSystem.h"
#include "serialization/XMLInputArchive.h"
#include "states/FileAction.h"
#include "states/StagingFolder.h"
#include "tests/support/InstallationFolder.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Testing {

// A manifest text loaded into an archive, as the launcher holds its manifests.
inline std::unique_ptr<Cobalt::XMLInputArchive> manifestArchive(const std::string &text) {
    auto archive = std::make_unique<Cobalt::XMLInputArchive>(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(text.begin(), text.end())));
    EXPECT_TRUE(archive->load()) << text;
    return archive;
}

// The file server is built first: its disk file system moves the current directory, which the
// folder then takes over, so relative manifest names land in the folder, and the staging folder
// too.
class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override {
        useAsInstallationFolder(files, folder.path());
        ASSERT_TRUE(Kestrel::StagingFolder(files).prepare());
    }

    // The file at the relative name, "<missing>" when it does not open.
    std::string installed(const std::string &name) const {
        return std::filesystem::exists(folder / name) ? folder.read(name) : "<missing>";
    }
    void place(const std::string &name, const std::string &bytes) const {
        std::filesystem::create_directories(std::filesystem::path(folder / name).parent_path());
        folder.write(name, bytes);
    }

    Cobalt::IO::FileServerImpl files;
    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.path()};
};

} // namespace Testing

namespace Kestrel {

// Readable failure messages for planned actions.
inline void PrintTo(const FileAction &action, std::ostream *out) {
    *out << '{' << action.name << ", kind " << static_cast<int>(action.kind) << ", args \""
         << action.args << "\"}";
}

} // namespace Kestrel
