// The publisher's key file, made once and kept private, and a release's expiry.
#include "tools/release/SigningKey.h"

#include "app/UtcTime.h"
#include "platform/NativeFile.h"
#include "tests/support/FailureOf.h"
#include "tests/support/TempFolder.h"
#include "tools/release/ReleaseCommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace Ed25519 = Cobalt::Ed25519;
namespace fs = std::filesystem;

namespace {

std::vector<char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

// The public key a keygen line names.
Ed25519::PublicKey publicKeyOf(const std::string &line) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, std::regex("<publicKey>(.+)</publicKey>"))) << line;
    return Ed25519::fromText<crypto_sign_PUBLICKEYBYTES>(match[1]).value();
}

TEST(SigningKeyTest, KeygenWritesAPrivateKeyOnceAndPrintsItsPublicHalf) {
    Testing::TempFolder folder;
    const std::string path = folder / "secret.key";
    const Ed25519::PublicKey publicKey =
        publicKeyOf(Release::runKeygen({"--secret-key", path}));
    const std::string written = folder.read("secret.key");
    if (Cobalt::Platform::preferredSeparator() == '/') {
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }

    EXPECT_NE(Testing::failureOf([&] { Release::runKeygen({"--secret-key", path}); }), "");
    EXPECT_EQ(folder.read("secret.key"), written) << "an existing key is never replaced";
    const auto message = bytesOf("release 8");
    EXPECT_TRUE(Ed25519::verify(Ed25519::sign(message, Release::readSecretKey(path)), message,
                                publicKey));

    folder.write("other.key", written.substr(1));
    EXPECT_NE(Testing::failureOf([&] { Release::readSecretKey(folder / "other.key"); }), "");
}

TEST(SigningKeyTest, AReleaseExpiresTheGivenWholeDaysFromNow) {
    Testing::TempFolder folder;
    fs::create_directories(folder / "game");
    folder.write("game/game.exe", "MZ game\n");
    Release::ReleaseOptions options = Release::parseReleaseArguments(
        {"--files", folder / "game", "--version", "3", "--output", folder / "out", "--expires",
         "30"});
    const std::int64_t before = Cobalt::currentUtcTime();
    Release::runRelease(options);

    const std::string manifest = folder.read("out/manifest.xml");
    std::smatch expires;
    ASSERT_TRUE(std::regex_search(manifest, expires, std::regex("expires=\"([^\"]+)\"")));
    const std::int64_t days30 = 30 * 86400;
    EXPECT_GE(Cobalt::parseUtcTime(expires[1]).value(), before + days30);
    EXPECT_LE(Cobalt::parseUtcTime(expires[1]).value(), Cobalt::currentUtcTime() + days30);

    for (const char *days : {"0", "36501", "7x", "-1"})
        EXPECT_NE(Testing::failureOf([&] {
                      Release::parseReleaseArguments({"--files", "g", "--version", "3",
                                                      "--output", "o", "--expires", days});
                  }),
                  "")
            << days;
}

} // namespace
