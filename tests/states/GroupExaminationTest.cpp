// Examination of manifest groups against real files: versions, digests, kinds, unsafe names.
#include "states/GroupExamination.h"

#include "app/Md5.h"
#include "states/ManifestVersion.h"
#include "tests/states/UpdateTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ReleaseWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using Kestrel::FileAction;
using Kestrel::FileActionKind;
using Kestrel::GroupPlan;

namespace {

class GroupExaminationTest : public Testing::InstallationTest {
protected:
    // Every group's plan in document order, checking that each examination leaves the archive on
    // its group so that stepping to the next one works.
    std::vector<GroupPlan> examineAll(std::int32_t localVersion, bool fullCheck = false) {
        const auto archive = Testing::manifestArchive(release.manifest());
        std::vector<GroupPlan> plans;
        EXPECT_TRUE(archive->enter("manifest"));
        for (auto group = archive->nextElement(nullptr, "group"); group;
             group = archive->nextElement(group, "group")) {
            plans.push_back(Kestrel::examineGroup(*archive, localVersion, fullCheck, files));
            EXPECT_EQ(archive->getName(), "group");
        }
        EXPECT_EQ(archive->getName(), "manifest");
        return plans;
    }

    Testing::ReleaseWriter release{"2.0"};
};

FileAction action(const std::string &name, FileActionKind kind, const std::string &args = "") {
    return FileAction{name, args, kind};
}

TEST_F(GroupExaminationTest, NewerFilesOfNewerGroupsArePlannedByTheirKind) {
    auto &old = release.addGroup("old", "1.9", "old.zip");
    old.add("old/newer.txt", "x", "2.0");
    auto &group = release.addGroup("main", "2.0", "packs/main.zip");
    group.add("bin/game.exe", "game", "2.0");
    group.add("bin/older.dll", "older", "1.9");
    group.add("equal.txt", "e", "1.10");
    group.add("setup.exe", "setup", "2.0", "exec").args = "/quiet /x";
    group.add("config/missing.ini", "defaults", "1.11", "restore_only");
    group.add("config/present.ini", "defaults", "1.11", "restore_only");
    group.add("maps/", "", "2.0", "folder");
    group.add("gone.txt", "", "2.0", "removed");
    group.add("never-there.txt", "", "2.0", "deleted");
    group.add("Shouting.exe", "s", "2.0", "Exec");
    place("config/present.ini", "player's own settings");
    place("gone.txt", "stale");

    const auto plans = examineAll(110);

    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0].name, "old");
    EXPECT_TRUE(plans[0].actions.empty());
    EXPECT_EQ(plans[0].packagePath, "");
    EXPECT_EQ(plans[1].name, "main");
    EXPECT_EQ(plans[1].packagePath, "packs/main.zip");
    EXPECT_EQ(plans[1].packageSize, static_cast<std::int32_t>(group.package().bytes().size()));
    const std::vector<FileAction> expected = {
        action("bin/game.exe", FileActionKind::Replace),
        action("setup.exe", FileActionKind::Execute, "/quiet /x"),
        action("config/missing.ini", FileActionKind::RestoreOnly),
        action("maps/", FileActionKind::Folder),
        action("gone.txt", FileActionKind::Delete),
    };
    EXPECT_EQ(plans[1].actions, expected);
}

TEST_F(GroupExaminationTest, GroupAndFileVersionsMustBeStrictlyNewer) {
    release.addGroup("equal", "1.10", "equal.zip").add("a.txt", "a", "2.0");
    release.addGroup("hundred", "1.100", "hundred.zip").add("b.txt", "b", "2.0");
    auto &newer = release.addGroup("newer", "1.11", "newer.zip");
    newer.add("same.txt", "s", "1.10");
    newer.add("next.txt", "n", "1.11");
    newer.add("unversioned.txt", "u", "");
    release.addGroup("stale files", "1.11", "stale.zip").add("c.txt", "c", "1.9");

    const auto plans = examineAll(Kestrel::parseManifestVersion("1.10"));

    ASSERT_EQ(plans.size(), 4u);
    EXPECT_TRUE(plans[0].actions.empty());
    EXPECT_TRUE(plans[1].actions.empty()) << "1.100 is 100, older than 1.10";
    EXPECT_EQ(plans[2].actions,
              std::vector<FileAction>{action("next.txt", FileActionKind::Replace)});
    EXPECT_EQ(plans[2].packagePath, "newer.zip");
    // A newer group whose files are all older has no work and so no package.
    EXPECT_TRUE(plans[3].actions.empty());
    EXPECT_EQ(plans[3].packagePath, "");
    EXPECT_EQ(plans[3].packageSize, 0);
}

TEST_F(GroupExaminationTest, FullCheckComparesDigestsOfEveryGroupWhateverItsVersion) {
    auto &group = release.addGroup("old", "0.1", "old.zip");
    group.add("same.txt", "same bytes", "9.0");
    group.add("changed.txt", "new bytes", "0.1");
    group.add("missing.txt", "m", "0.1");
    // The digest helper gives no digest for no bytes, so an empty file never matches.
    group.add("empty.txt", "", "0.1").md5 = "d41d8cd98f00b204e9800998ecf8427e";
    std::string upperDigest = Cobalt::md5Hex({'u', 'p', 'p', 'e', 'r'});
    std::transform(upperDigest.begin(), upperDigest.end(), upperDigest.begin(), ::toupper);
    group.add("upper.txt", "upper", "0.1").md5 = upperDigest;
    group.add("present.ini", "other defaults", "0.1", "restore_only");
    group.add("removed-but-empty.txt", "", "0.1", "removed");
    group.add("removed-and-gone.txt", "", "0.1", "removed");
    group.add("saves/", "", "0.1", "folder");
    place("same.txt", "same bytes");
    place("changed.txt", "old bytes");
    place("empty.txt", "");
    place("upper.txt", "upper");
    place("present.ini", "mine");
    place("removed-but-empty.txt", "");

    const auto plans = examineAll(900, true);

    ASSERT_EQ(plans.size(), 1u);
    const std::vector<FileAction> expected = {
        action("changed.txt", FileActionKind::Replace),
        action("missing.txt", FileActionKind::Replace),
        action("empty.txt", FileActionKind::Replace),
        action("upper.txt", FileActionKind::Replace),
        action("removed-but-empty.txt", FileActionKind::Delete),
        action("saves/", FileActionKind::Folder),
    };
    EXPECT_EQ(plans[0].actions, expected);
}

TEST_F(GroupExaminationTest, NamesOutsideTheInstallationAreSkippedAndLogged) {
    auto &group = release.addGroup("evil", "3", "evil.zip");
    group.add("before.txt", "b", "3");
    for (const char *name : {"/etc/cron.d/x", "C:\\Windows\\x.dll", "configuration:creds.xml",
                             "../outside.txt", "a\\..\\..\\b.exe"})
        group.add(name, "x", "3", "exec");
    group.add("after.txt", "a", "3");
    const Testing::LogCapture log;

    const auto plans = examineAll(200);
    const auto fullPlans = examineAll(200, true);

    const std::vector<FileAction> expected = {action("before.txt", FileActionKind::Replace),
                                              action("after.txt", FileActionKind::Replace)};
    EXPECT_EQ(plans.at(0).actions, expected);
    EXPECT_EQ(fullPlans.at(0).actions, expected);
    EXPECT_NE(log.text().find("Skipped manifest entry \"../outside.txt\""), std::string::npos)
        << log.text();
    EXPECT_NE(log.text().find("\"C:\\Windows\\x.dll\""), std::string::npos);
}

TEST_F(GroupExaminationTest, SizeIsALeadingIntegerOrNoPackage) {
    // An empty text leaves the attribute out.
    const std::pair<std::string, std::int32_t> sizes[] = {{"0", 0},
                                                          {"", 0},
                                                          {"abc", 0},
                                                          {"-5", -5},
                                                          {"12abc", 12},
                                                          {" 4096", 4096},
                                                          {"99999999999", 2147483647}};
    for (const auto &[text, size] : sizes) {
        auto &group = release.addGroup("g", "3", "g.zip");
        group.add("f.txt", "f", "3");
        group.size = text;
    }
    const auto plans = examineAll(0);
    ASSERT_EQ(plans.size(), std::size(sizes));
    for (std::size_t index = 0; index < plans.size(); ++index)
        EXPECT_EQ(plans[index].packageSize, sizes[index].second) << index;
}

TEST(GroupPlanTest, OnlyActionsThatReadThePackageNeedIt) {
    GroupPlan plan;
    EXPECT_FALSE(plan.needsPackage());
    plan.actions = {action("d/", FileActionKind::Folder), action("x", FileActionKind::Delete)};
    EXPECT_FALSE(plan.needsPackage());
    for (const auto kind :
         {FileActionKind::Replace, FileActionKind::RestoreOnly, FileActionKind::Execute}) {
        GroupPlan reading = plan;
        reading.actions.push_back(action("f", kind));
        EXPECT_TRUE(reading.needsPackage()) << static_cast<int>(kind);
    }
}

} // namespace
