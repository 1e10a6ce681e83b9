// Signed releases end to end: the reference server stands in for a man in the middle and serves
// what an attacker could (unsigned, altered, replayed, expired, foreign releases); the launcher
// with the publisher's key installs only what the publisher signed, and a launcher without a key
// installs as it always did.
#include "app/Ed25519.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"
#include "tests/support/headless/LaunchTest.h"
#include "tools/release/ReleaseCommandLine.h"
#include "tools/release/SigningKey.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace Ed25519 = Cobalt::Ed25519;
using Testing::ReleaseWriter;
namespace fs = std::filesystem;

namespace {

const std::string Installed7 = "<manifest version=\"7\"><group name=\"core\" ver=\"7\"/></manifest>";

// Public, for the attacks below.
class SignedReleaseTest : public Testing::LaunchTest {
public:
    using LaunchTest::ServerManifest;
    using LaunchTest::publish;
    using LaunchTest::served;
    using LaunchTest::writeReleaseFile;

    void SetUp() override {
        LaunchTest::SetUp();
        place("manifest.xml", Installed7);
        place("game.exe", "game of 7");
    }

    // Release version: a new game and an "exec" program, with its packages' digests.
    static ReleaseWriter release(const std::string &version, const std::string &game = "game") {
        ReleaseWriter writer(version);
        writer.digests = true;
        auto &core = writer.addGroup("core", version, version + "/core.zip");
        core.add("game.exe", game + " of " + version, version);
        core.add("tools/setup.exe", "MZ setup", version, "exec");
        return writer;
    }

    // The signature file of manifest text as served, made with key.
    void serveSignature(const std::string &text, const Ed25519::SecretKey &key) const {
        const std::string bytes = served(text);
        writeReleaseFile(ServerManifest + ".sig",
                         Ed25519::toText(Ed25519::sign({bytes.begin(), bytes.end()}, key)) + "\n");
    }

    // Publishes writer signed by the publisher.
    void publishSigned(const ReleaseWriter &writer) const {
        publish(writer);
        serveSignature(writer.manifest(), publisher.secretKey);
    }

    std::string runWithKeys(const std::vector<std::string> &keys) {
        Settings settings;
        for (const std::string &key : keys)
            settings.emplace_back("+publicKey", key);
        start(settings);
        return runUpdate();
    }
    std::string runWithKey() { return runWithKeys({Ed25519::toText(publisher.publicKey)}); }

    // Nothing of the release took effect, the player was told, and the game starts as it is.
    void expectNothingInstalled(const std::string &message) {
        EXPECT_EQ(current(), "StartGame");
        EXPECT_EQ(installed("game.exe"), "game of 7");
        EXPECT_EQ(installed("tools/setup.exe"), "<missing>");
        EXPECT_TRUE(started.empty()) << "an exec program was started";
        EXPECT_EQ(localManifest(), Installed7);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.rfind(message, 0), 0u) << boxes[0].text;
        EXPECT_TRUE(app->isUpdatePending()) << "the run ends as incomplete";
        EXPECT_EQ(gameRecord(), PlayerCommandLine);
    }

    const Ed25519::KeyPair publisher = Ed25519::generateKeyPair();
};

class RefusedReleaseTest;

struct Attack {
    const char *name;
    std::function<void(RefusedReleaseTest &)> serve;
};

class RefusedReleaseTest : public SignedReleaseTest,
                           public ::testing::WithParamInterface<Attack> {};

TEST_P(RefusedReleaseTest, NothingIsInstalledCommittedOrStartedAndTheGameStarts) {
    GetParam().serve(*this);
    start({{"+publicKey", Ed25519::toText(publisher.publicKey)},
           {"verificationFailedMessage", "Ask the guild."}});
    runUpdate();
    expectNothingInstalled("Ask the guild.");
    EXPECT_FALSE(fs::exists(folder / ".brightwell/server-manifest.xml"));
}

const Attack Attacks[] = {
    {"Unsigned", [](RefusedReleaseTest &test) { test.publish(RefusedReleaseTest::release("8")); }},
    {"ManifestByteChanged",
     [](RefusedReleaseTest &test) {
         const ReleaseWriter writer = RefusedReleaseTest::release("8");
         test.publishSigned(writer);
         std::string text = RefusedReleaseTest::served(writer.manifest());
         text.at(text.find("\"exec\"") + 4) ^= 1; // the exec entry's type
         test.writeReleaseFile(RefusedReleaseTest::ServerManifest, text);
     }},
    {"SignatureOfAnotherRelease",
     [](RefusedReleaseTest &test) {
         test.publish(RefusedReleaseTest::release("8"));
         test.serveSignature(RefusedReleaseTest::release("8", "other game").manifest(),
                             test.publisher.secretKey);
     }},
    {"OlderReleaseReplayed",
     [](RefusedReleaseTest &test) { test.publishSigned(RefusedReleaseTest::release("6")); }},
    {"Expired",
     [](RefusedReleaseTest &test) {
         ReleaseWriter writer = RefusedReleaseTest::release("8");
         writer.expires = "2001-01-01T00:00:00Z";
         test.publishSigned(writer);
     }},
    {"SignedByAnotherKey",
     [](RefusedReleaseTest &test) {
         const ReleaseWriter writer = RefusedReleaseTest::release("8");
         test.publish(writer);
         test.serveSignature(writer.manifest(), Ed25519::generateKeyPair().secretKey);
     }},
    {"SignatureNotBase64",
     [](RefusedReleaseTest &test) {
         test.publishSigned(RefusedReleaseTest::release("8"));
         test.writeReleaseFile(RefusedReleaseTest::ServerManifest + ".sig", "signed, honestly\n");
     }},
};

INSTANTIATE_TEST_SUITE_P(Attacks, RefusedReleaseTest, ::testing::ValuesIn(Attacks),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SignedReleaseTest, APackageWithOneByteChangedIsNeverMounted) {
    const ReleaseWriter writer = release("8");
    publishSigned(writer);
    std::string package = installed(root + "release/8/core.zip");
    package[package.size() / 2] ^= 1;
    writeReleaseFile("8/core.zip", package);
    runWithKey();
    expectNothingInstalled("Some game files could not be updated");
    EXPECT_FALSE(fs::exists(folder / ".brightwell/package-8%2fcore.zip"));
}

// Bytes kept from an earlier run continue with the server's rest; when the whole then fails its
// digest, the kept half may be what was wrong, so the package is fetched whole once more.
TEST_F(SignedReleaseTest, AResumedPackageThatFailsItsDigestIsFetchedWholeAndInstalls) {
    publishSigned(release("8"));
    const std::string path = root + "release/8/core.zip";
    const std::string package = installed(path);
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    char validator[64];
    std::snprintf(validator, sizeof validator, "\"%llx-%llx\"",
                  static_cast<unsigned long long>(status.st_mtime),
                  static_cast<unsigned long long>(status.st_size));
    place(".brightwell/package-8%2fcore.zip", std::string(package.size() / 2, 'x'));
    place(".brightwell/validator-package-8%2fcore.zip", validator);
    start({{"+publicKey", Ed25519::toText(publisher.publicKey)}});
    Testing::LogCapture log;

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_NE(log.text().find("continuing from byte"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("was refused"), std::string::npos);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(installed("game.exe"), "game of 8");
}

TEST_F(SignedReleaseTest, AReleaseMadeAndSignedByTheReleaseToolInstallsUnderARotatedKey) {
    Testing::TempFolder work;
    fs::create_directories(work / "game/tools");
    work.write("game/game.exe", "game of 8\r\n\n");
    work.write("game/tools/setup.exe", "MZ setup");
    work.write("release.txt", "group core core.zip\nfiles *\nexec tools/setup.exe /quiet\n");
    const std::string publicKey = Release::runKeygen({"--secret-key", work / "secret.key"});
    Release::ReleaseOptions options;
    options.filesFolder = work / "game";
    options.outputFolder = root + "release";
    options.version = "8";
    options.descriptionPath = work / "release.txt";
    options.manifestName = ServerManifest;
    options.secretKey = work / "secret.key";
    options.expiresDays = "1";
    Release::runRelease(options);

    // The old key first, then a malformed one, then the new: any configured key may sign.
    EXPECT_EQ(runWithKeys({Ed25519::toText(publisher.publicKey), "not a key",
                           publicKey.substr(11, publicKey.size() - 23)}),
              "StartGame");

    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(installed("game.exe"), "game of 8\r\n\n");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].args, "/quiet");
    EXPECT_EQ(localManifest(), installed(root + "release/" + ServerManifest));
}

TEST_F(SignedReleaseTest, WithoutAKeyAnUnsignedReleaseInstallsAsBefore) {
    ReleaseWriter writer = release("8");
    writer.expires = "2001-01-01T00:00:00Z"; // not looked at without a key
    publish(writer);
    start();
    EXPECT_EQ(runUpdate(), "StartGame");
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(installed("game.exe"), "game of 8");
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(localManifest(), served(writer.manifest()));
}

} // namespace
