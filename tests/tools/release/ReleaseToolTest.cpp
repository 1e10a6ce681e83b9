// The release tool over real folders, its output read back with the launcher's own code.
#include "tools/release/ReleaseCommandLine.h"

#include "app/Md5.h"
#include "io/FileServerImpl.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "io/Win32FileSystem.h"
#include "io/ZIPPackage.h"
#include "serialization/XMLInputArchive.h"
#include "states/GroupExamination.h"
#include "states/ManifestVersion.h"
#include "tests/support/FailureOf.h"
#include "tests/support/ReleaseWriter.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using Testing::failureOf;

namespace {

// One "file" element as the launcher reads it: group|ver|md5|type|args.
std::string listed(const std::string &group, const std::string &ver, const std::string &md5 = "",
                   const std::string &type = "", const std::string &args = "") {
    return group + '|' + ver + '|' + md5 + '|' + type + '|' + args;
}

struct GroupAttributes {
    std::string ver, path, size;
    std::vector<std::string> names; // in document order
};

// A written manifest as the launcher reads it: file entries and groups, each by name.
struct ReadBack {
    std::map<std::string, std::string> files; // listed() of each
    std::map<std::string, GroupAttributes> groups;
};

// Two described groups, with a program to run last and a file restored only when missing.
const std::map<std::string, std::string> Game = {{"game.exe", "MZ game"},
                                                 {"setup/run.exe", "MZ setup"},
                                                 {"config/options.ini", "volume=3\n"},
                                                 {"empty.txt", ""},
                                                 {"data/maps/one.map", std::string(20000, 'm')},
                                                 {"data/readme.txt", "read me"}};
const char *const TwoGroups = "group core core.zip\n"
                              "files game.exe setup/ config/ empty.txt\n"
                              "group data packs/data.zip\n"
                              "files data/\n"
                              "exec setup/run.exe /quiet  now\n"
                              "restore_only config/options.ini\n";

class ReleaseToolTest : public ::testing::Test {
protected:
    void put(const std::string &name, const std::string &bytes) const {
        fs::create_directories(fs::path(folder / "game/" + name).parent_path());
        folder.write("game/" + name, bytes);
    }

    void putGame() const {
        for (const auto &[name, bytes] : Game)
            put(name, bytes);
        describe(TwoGroups);
    }

    void describe(const std::string &text) const { folder.write("release.txt", text); }

    Release::ReleaseContents release(const std::string &version, const std::string &output,
                                     const std::string &previous = "") const {
        Release::ReleaseOptions options;
        options.filesFolder = folder / "game";
        options.outputFolder = folder / output;
        options.version = version;
        options.descriptionPath = fs::exists(folder / "release.txt") ? folder / "release.txt" : "";
        options.previousManifest = previous.empty() ? "" : folder / previous;
        return Release::runRelease(options);
    }

    // The release's failure message; "" when it succeeds.
    std::string refusal(const std::string &version, const std::string &output = "out",
                        const std::string &previous = "") const {
        return failureOf([&] { release(version, output, previous); });
    }

    std::unique_ptr<Cobalt::XMLInputArchive> manifest(const std::string &output) const {
        auto archive =
            std::make_unique<Cobalt::XMLInputArchive>(std::make_unique<Cobalt::IO::FileStream>(
                folder / output + "/manifest.xml", Cobalt::IO::In));
        EXPECT_TRUE(archive->load());
        return archive;
    }

    ReadBack readBack(const std::string &output) const {
        ReadBack result;
        const auto archive = manifest(output);
        EXPECT_TRUE(archive->enter("manifest"));
        const auto text = [&](const char *name) { return Cobalt::attributeText(*archive, name); };
        for (auto group = archive->nextElement(nullptr, "group"); group;
             group = archive->nextElement(group, "group")) {
            const std::string groupName = text("name");
            GroupAttributes &attributes = result.groups[groupName];
            attributes = {text("ver"), text("path"), text("size"), {}};
            for (auto file = archive->nextElement(nullptr, "file"); file;
                 file = archive->nextElement(file, "file")) {
                result.files[text("name")] =
                    listed(groupName, text("ver"), text("md5"), text("type"), text("args"));
                attributes.names.push_back(text("name"));
            }
        }
        return result;
    }

    std::unique_ptr<Cobalt::IO::ZIPPackage> package(const std::string &path) const {
        auto zip = std::make_unique<Cobalt::IO::ZIPPackage>(
            path, std::make_unique<Cobalt::IO::FileStream>(folder / path, Cobalt::IO::In));
        zip->readDirectory();
        return zip;
    }

    static std::string md5Of(const std::string &text) {
        return Cobalt::md5Hex(std::vector<char>(text.begin(), text.end()));
    }

    Testing::TempFolder folder;
};

TEST_F(ReleaseToolTest, AFirstReleaseListsEveryFileAndPackagesItUnderItsName) {
    putGame();
    release("1.0", "out");

    auto [files, groups] = readBack("out");
    const std::map<std::string, std::string> expected = {
        {"game.exe", listed("core", "1.0", md5Of("MZ game"))},
        {"setup/run.exe", listed("core", "1.0", md5Of("MZ setup"), "exec", "/quiet  now")},
        {"config/options.ini", listed("core", "1.0", md5Of("volume=3\n"), "restore_only", "")},
        {"empty.txt", listed("core", "1.0", "")},
        {"data/maps/one.map", listed("data", "1.0", md5Of(Game.at("data/maps/one.map")))},
        {"data/readme.txt", listed("data", "1.0", md5Of("read me"))},
    };
    EXPECT_EQ(files, expected);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups["core"].names.back(), "setup/run.exe") << "programs run last";
    for (const auto &[name, group] : groups) {
        EXPECT_EQ(group.ver, "1.0");
        EXPECT_EQ(group.size, std::to_string(fs::file_size(folder / "out/" + group.path)));
        const auto zip = package("out/" + group.path);
        for (const std::string &file : group.names)
            EXPECT_EQ(Testing::contentsOf(*zip, file), Game.at(file)) << file;
    }
    EXPECT_EQ(groups["data"].path, "1.0/packs/data.zip") << "below a folder of the release";
}

TEST_F(ReleaseToolTest, ANextReleaseKeepsUnchangedVersionsAndListsRemovedFiles) {
    putGame();
    release("1.0", "r1");
    put("data/readme.txt", "read me again");
    put("data/new.txt", "new");
    fs::remove(fs::path(folder / "game/empty.txt"));
    release("1.1", "r2", "r1/manifest.xml");
    auto [files, groups] = readBack("r2");

    EXPECT_EQ(files["game.exe"], listed("core", "1.0", md5Of("MZ game")));
    EXPECT_EQ(files["data/maps/one.map"],
              listed("data", "1.0", md5Of(Game.at("data/maps/one.map"))));
    EXPECT_EQ(files["data/readme.txt"], listed("data", "1.1", md5Of("read me again")));
    EXPECT_EQ(files["data/new.txt"], listed("data", "1.1", md5Of("new")));
    EXPECT_EQ(files["empty.txt"], listed("core", "1.1", "", "removed"));
    EXPECT_EQ(groups["core"].ver, "1.1") << "a removal changes its group";
    EXPECT_EQ(groups["data"].ver, "1.1");
    EXPECT_FALSE(package("r2/1.1/core.zip")->exists("empty.txt"));

    // Nothing changes: every version stays, the removal included.
    release("2", "r3", "r2/manifest.xml");
    auto [again, againGroups] = readBack("r3");
    EXPECT_EQ(again, files);
    EXPECT_EQ(againGroups["core"].ver, "1.1");
}

TEST_F(ReleaseToolTest, APreviousManifestFromAnotherToolKeepsItsRemovalsAndDropsFolders) {
    Testing::ReleaseWriter earlier("1.0");
    auto &group = earlier.addGroup("game", "1.0", "game.zip");
    group.add("a.txt", "a", "0.9");
    group.add("saves/", "", "1.0", "folder");
    group.add("old.txt", "", "0.5", "deleted");
    earlier.writeTo(folder / "r0");
    put("a.txt", "a");

    release("1.1", "r1", "r0/manifest.xml");

    auto [files, groups] = readBack("r1");
    const std::map<std::string, std::string> expected = {
        {"a.txt", listed("game", "0.9", md5Of("a"))},
        {"old.txt", listed("game", "0.5", "", "removed")}};
    EXPECT_EQ(files, expected);
    EXPECT_EQ(groups["game"].ver, "0.9");
}

// Without a description every file goes to one group named after the files folder.
TEST_F(ReleaseToolTest, TheLauncherPlansExactlyTheChangesOfTheNextRelease) {
    for (const char *name : {"game.exe", "gone.txt", "data/readme.txt", "data/same.txt"})
        put(name, name);
    release("1.0", "r1");
    const auto groups = readBack("r1").groups;
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups.at("game").names, (std::vector<std::string>{"data/readme.txt", "data/same.txt",
                                                                 "game.exe", "gone.txt"}));
    fs::copy(fs::path(folder / "game"), fs::path(folder / "installed"),
             fs::copy_options::recursive);
    put("data/readme.txt", "read me again");
    fs::remove(fs::path(folder / "game/gone.txt"));
    release("1.1", "r2", "r1/manifest.xml");

    Cobalt::IO::FileServerImpl files;
    const Testing::ScopedCurrentDirectory inInstallation(folder / "installed");
    const auto archive = manifest("r2");
    ASSERT_TRUE(archive->enter("manifest"));
    ASSERT_NE(archive->nextElement(nullptr, "group"), nullptr);
    const auto plan =
        Kestrel::examineGroup(*archive, Kestrel::parseManifestVersion("1.0"), false, files);
    const auto full = Kestrel::examineGroup(*archive, 0, true, files);

    const std::vector<Kestrel::FileAction> expected = {
        {"data/readme.txt", "", Kestrel::FileActionKind::Replace, md5Of("read me again")},
        {"gone.txt", "", Kestrel::FileActionKind::Delete}};
    EXPECT_TRUE(plan.actions == expected);
    EXPECT_TRUE(full.actions == expected) << "digests agree with the versions";
    EXPECT_EQ(plan.packagePath, "1.1/game.zip");
    EXPECT_EQ(static_cast<std::uintmax_t>(plan.packageSize),
              fs::file_size(folder / "r2/1.1/game.zip"));
}

TEST_F(ReleaseToolTest, RefusesWithAClearMessageAndWritesNothing) {
    put("game.exe", "MZ");
    const std::pair<std::string, std::string> descriptions[] = {
        {"group a a.zip\nfiles data/\n", "game.exe belongs to no group"},
        {"group a a.zip\nfiles *\nexec missing.exe\n",
         "missing.exe is marked in the description but is not in the folder"},
    };
    for (const auto &[text, message] : descriptions) {
        describe(text);
        EXPECT_NE(refusal("1").find(message), std::string::npos) << message;
        EXPECT_FALSE(fs::exists(folder / "out")) << text;
    }
    const Release::ReleaseContents clash{"1", {{"b", "1", "1/m.xml", {}, {}}}, {}, ""};
    EXPECT_NE(failureOf([&] {
                  Release::writeRelease(clash, folder / "out", "1/m.xml");
              }).find("would overwrite the manifest"),
              std::string::npos);
    fs::remove(folder / "release.txt");
    EXPECT_NE(refusal("1", "game/releases/1").find("lies inside the game folder"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(fs::path(folder / "game/releases")));
    EXPECT_EQ(refusal("beta"), "the version \"beta\" is not a number above 0");
    for (const char *version : {"2/x", "2 x", "2."})
        EXPECT_NE(refusal(version).find("cannot name the release's folder"), std::string::npos);
    release("2.0", "r1");
    EXPECT_EQ(refusal("2", "out", "r1/manifest.xml"),
              "the version \"2\" is not newer than the previous \"2.0\"");
    folder.write("broken.xml", "<manifest version=\"1\"><group>");
    EXPECT_NE(refusal("3", "out", "broken.xml"), "");

    // Windows keeps neither character in a file name, so only other systems can offer these.
    const std::pair<std::string, std::string> names[] = {
        {"drive:name.txt", "the launcher refuses the file name drive:name.txt"},
        {"what?.txt", "the file name what?.txt cannot be installed on Windows: Windows cannot "
                      "hold the character ? in a file name"}};
    for (const auto &[name, message] : names) {
        const fs::path path = fs::path(folder / "game/" + name);
        std::ofstream(path) << "x";
        if (fs::exists(path)) {
            EXPECT_EQ(refusal("1"), message);
            fs::remove(path);
        }
    }
    std::error_code error;
    fs::create_symlink(fs::path(folder / "nowhere"), fs::path(folder / "game/broken-link"), error);
    if (!error) { // not every system lets a user make symbolic links
        EXPECT_EQ(refusal("1"), "cannot read broken-link: not a readable file");
    }
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST(ReleaseCommandLineTest, ReadsOptionsAndRefusesMistakes) {
    const auto options =
        Release::parseReleaseArguments({"--version", "1.2", "--files", "in", "--output", "out",
                                        "--previous", "old.xml", "--manifest", "sub/m.xml"});
    EXPECT_EQ(options.previousManifest, "old.xml");
    EXPECT_EQ(options.manifestName, "sub/m.xml");
    EXPECT_EQ(Release::parseReleaseArguments({"--version", "1", "--files", "i", "--output", "o"})
                  .manifestName,
              "manifest.xml");

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{}, "--files is required"},
        {{"--files", "i", "--version"}, "--version needs a value"},
        {{"--files", "i", "--files", "j"}, "--files is given twice"},
        {{"--files", "i", "--version", "1", "--output", "o", "--manifest", "../m.xml"},
         "the manifest name ../m.xml must be a relative path inside the release folder"},
    };
    for (const auto &[arguments, message] : mistakes)
        EXPECT_EQ(failureOf([&] { Release::parseReleaseArguments(arguments); }), message);
}

} // namespace
