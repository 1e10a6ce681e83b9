// Version texts to numbers, and the local version read from a manifest archive.
#include "states/ManifestVersion.h"

#include "io/MemoryStream.h"
#include "serialization/XMLInputArchive.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using Kestrel::parseManifestVersion;

namespace {

std::unique_ptr<Cobalt::XMLInputArchive> loaded(const std::string &text) {
    auto archive = std::make_unique<Cobalt::XMLInputArchive>(
        std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(text.begin(), text.end())));
    archive->load();
    return archive;
}

TEST(ManifestVersionTest, MajorTimesHundredPlusMinorRemainder) {
    const std::pair<const char *, std::int32_t> cases[] = {
        {"3", 300},   {"1.5", 105}, {"1.10", 110},  {"1.123", 123}, {"1.5.7", 105}, {" 7.2", 702},
        {"-1.5", -95}, {"1 5", 100}, {"12abc", 1200}, {"", 0},      {".5", 0},      {"v2.1", 0},
    };
    for (const auto &[text, number] : cases)
        EXPECT_EQ(parseManifestVersion(text), number) << '"' << text << '"';
}

TEST(ManifestVersionTest, NumbersBeyondThirtyTwoBitsSaturateInOrder) {
    constexpr auto largest = std::numeric_limits<std::int32_t>::max();
    constexpr auto smallest = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(parseManifestVersion("21474836.47"), largest);
    EXPECT_EQ(parseManifestVersion("99999999999999999999999"), largest);
    EXPECT_EQ(parseManifestVersion("-21474837"), smallest);
}

TEST(ManifestVersionTest, LocalVersionComesFromTheManifestRootAndLeavesTheArchiveInPlace) {
    EXPECT_EQ(Kestrel::readManifestVersion(nullptr), 0);
    EXPECT_EQ(Kestrel::readManifestVersion(loaded("<other version=\"5\"/>").get()), 0);
    EXPECT_EQ(Kestrel::readManifestVersion(loaded("not xml at all <").get()), 0);

    const auto archive = loaded("<manifest version=\"2.7\"><group/></manifest>");
    EXPECT_EQ(Kestrel::readManifestVersion(archive.get()), 207);
    // Still at the document: the manifest can be entered again.
    EXPECT_TRUE(archive->enter("manifest"));
    EXPECT_NE(archive->nextElement(nullptr, "group"), nullptr);
}

} // namespace
