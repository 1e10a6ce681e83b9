// The checks of a signed release that the end-to-end tests cannot reach at their boundaries:
// versions and expiry times, and package digests read from real files.
#include "states/ReleaseVerifier.h"

#include "app/UtcTime.h"
#include "io/FileServerImpl.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using Kestrel::ReleaseVerifier;

namespace {

TEST(ReleaseVerifierTest, AnOlderOrExpiredManifestIsRefused) {
    const std::int64_t now = *Cobalt::parseUtcTime("2024-02-29T12:00:00Z");
    EXPECT_EQ(now, 1709208000);
    EXPECT_EQ(ReleaseVerifier::checkCurrent("7", "", 700, now), "") << "the same release again";
    EXPECT_NE(ReleaseVerifier::checkCurrent("6.99", "", 700, now), "");
    EXPECT_EQ(ReleaseVerifier::checkCurrent("8", "2024-02-29T12:00:01Z", 700, now), "");
    EXPECT_EQ(ReleaseVerifier::checkCurrent("8", "2024-02-29T12:00:00Z", 700, now),
              "it expired at 2024-02-29T12:00:00Z");
    for (const char *time : {"2023-02-29T12:00:00Z", "2024-13-01T00:00:00Z", "2024-01-01T24:00:00Z",
                             "2024-01-01 00:00:00Z", "2024-01-01T00:00:00", "1969-12-31T23:59:59Z",
                             "2024-1-01T00:00:00Z0"})
        EXPECT_NE(ReleaseVerifier::checkCurrent("8", time, 700, now), "") << time;
    for (const std::int64_t moment : {std::int64_t{0}, now, std::int64_t{253402300799}})
        EXPECT_EQ(Cobalt::parseUtcTime(Cobalt::formatUtcTime(moment)), moment);
}

TEST(ReleaseVerifierTest, APackageMustHaveItsGroupsDigest) {
    Testing::TempFolder folder;
    folder.write("package.zip", "abc");
    Cobalt::IO::FileServerImpl files;
    const std::string path = folder / "package.zip";
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_EQ(ReleaseVerifier::checkPackage(files, path, abc), "");
    std::string other = abc;
    other.back() = 'c';
    EXPECT_EQ(ReleaseVerifier::checkPackage(files, path, other),
              "its SHA-256 is " + abc + ", not " + other);
    for (const std::string &bad : {std::string(), abc + "0", abc.substr(1) + "g"})
        EXPECT_NE(ReleaseVerifier::checkPackage(files, path, bad), "") << bad;
    EXPECT_EQ(ReleaseVerifier::checkPackage(files, folder / "missing.zip", abc),
              "it cannot be read");
    // Larger than one piece of the read, and not a multiple of it.
    folder.write("large.zip", std::string(200000, 'x'));
    EXPECT_EQ(ReleaseVerifier::checkPackage(
                  files, folder / "large.zip",
                  "91e3faafd322bcdf160f3f0ce886acb092b9b9e2a1e8526b40f21a8898a8700b"),
              "");
}

} // namespace
