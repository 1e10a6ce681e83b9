// A release made by the release tool, served by the reference server over real HTTP, planned and
// installed with the update's own pieces into an empty installation folder.
#include "tests/network/ReferenceServerFixture.h"

#include "io/FileServerImpl.h"
#include "io/MemoryStream.h"
#include "io/Win32FileSystem.h"
#include "io/ZIPPackage.h"
#include "serialization/XMLInputArchive.h"
#include "states/FileInstaller.h"
#include "states/GroupExamination.h"
#include "states/StagingFolder.h"
#include "tests/support/InstallationFolder.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/WholeInstall.h"
#include "tests/support/TempFolder.h"
#include "tools/release/ReleaseCommandLine.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ReleaseUpdateTest : public Testing::ReferenceServerFixture {
protected:
    void put(const std::string &name, const std::string &bytes) const {
        fs::create_directories(fs::path(work / ("game/" + name)).parent_path());
        work.write("game/" + name, bytes);
    }

    // Downloads, writes below the packages folder and mounts a group's package.
    Cobalt::IO::ZIPPackage *downloadAndMount(const std::string &path) {
        std::vector<char> package;
        EXPECT_TRUE(connector->downloadSiteFile(path, &package)) << path;
        const std::string local = packages.path() + path;
        fs::create_directories(fs::path(local).parent_path());
        EXPECT_TRUE(files.writeFile(local, package));
        return &files.mountPackage(local);
    }

    Testing::TempFolder work;
    Testing::TempFolder installation;
    Testing::TempFolder packages;
    Cobalt::IO::FileServerImpl files;
};

TEST_F(ReleaseUpdateTest, AnEmptyInstallationBecomesTheServedRelease) {
    const std::map<std::string, std::string> game = {
        {"game.exe", "MZ game\r\n"},
        {"data/maps/one.map", std::string(70000, 'm') + "\n"},
        {"data/readme.txt", "read me\r\n\r\n"},
        {"config/options.ini", "volume=3\n"},
        {"tools/patch.exe", "MZ patch"},
    };
    for (const auto &[name, bytes] : game)
        put(name, bytes);
    work.write("release.txt", "group core core.zip\nfiles *\ngroup data packs/data.zip\n"
                              "files data/\nexec tools/patch.exe -silent\n"
                              "restore_only config/options.ini\n");
    Release::ReleaseOptions options;
    options.filesFolder = work / "game";
    options.outputFolder = root + "release";
    options.version = "2";
    options.descriptionPath = work / "release.txt";
    Release::runRelease(options);

    std::vector<char> manifestBytes;
    ASSERT_TRUE(connector->downloadSiteFile("manifest.xml", &manifestBytes));
    Cobalt::XMLInputArchive manifest(std::make_unique<Cobalt::IO::MemoryStream>(manifestBytes));
    ASSERT_TRUE(manifest.load());
    Testing::useAsInstallationFolder(files, installation.path());
    const Testing::ScopedCurrentDirectory inInstallation(installation.path());
    ASSERT_TRUE(Kestrel::StagingFolder(files).prepare());
    std::vector<std::pair<std::string, std::string>> started;
    Kestrel::FileInstaller installer(files, [&](const std::string &path, const std::string &args) {
        started.emplace_back(path, args);
    });

    ASSERT_TRUE(manifest.enter("manifest"));
    std::size_t actions = 0;
    for (auto group = manifest.nextElement(nullptr, "group"); group;
         group = manifest.nextElement(group, "group")) {
        const Kestrel::GroupPlan plan = Kestrel::examineGroup(manifest, 0, false, files);
        ASSERT_GT(plan.packageSize, 0);
        Cobalt::IO::ZIPPackage *package = downloadAndMount(plan.packagePath);
        for (const Kestrel::FileAction &action : plan.actions) {
            const auto result = Testing::installWhole(installer, action, package);
            EXPECT_TRUE(result.succeeded()) << result.message();
            ++actions;
        }
        files.unmount(packages.path() + plan.packagePath);
    }

    EXPECT_EQ(actions, game.size());
    for (const auto &[name, bytes] : game)
        EXPECT_TRUE(installation.read(name) == bytes) << name;
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, "tools/patch.exe");
    EXPECT_EQ(started[0].second, "-silent");
}

} // namespace
