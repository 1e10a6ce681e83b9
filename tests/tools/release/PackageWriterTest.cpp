// Packages read back by the launcher's own ZIP reader, which checks every entry's CRC-32.
#include "tools/release/PackageWriter.h"

#include "io/ZIPPackage.h"
#include "tests/support/FailureOf.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

std::vector<char> noise(std::size_t size) {
    std::mt19937 random(7);
    std::vector<char> bytes(size);
    for (char &byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

TEST(PackageWriterTest, EntriesReadBackByteForByteUnderTheirExactNames) {
    Release::PackageWriter writer;
    const std::vector<char> random = noise(100000);
    const std::vector<char> repetitive(300000, 'r');
    writer.add("data/noise.bin", random);
    writer.add("data\\Repetitive.TXT", repetitive);
    writer.add("empty.txt", {});
    const std::vector<char> archive = writer.finish();
    EXPECT_EQ(&writer.finish(), &writer.finish()) << "finishing twice changes nothing";
    Cobalt::IO::ZIPPackage package("p.zip", archive);
    package.readDirectory();
    EXPECT_EQ(Testing::contentsOf(package, "data/noise.bin"),
              std::string(random.begin(), random.end()));
    EXPECT_TRUE(Testing::contentsOf(package, "data\\Repetitive.TXT") ==
                std::string(repetitive.begin(), repetitive.end()));
    EXPECT_EQ(Testing::contentsOf(package, "empty.txt"), "");
    EXPECT_FALSE(package.exists("data/Repetitive.TXT"));
    EXPECT_FALSE(package.exists("data\\repetitive.txt"));
}

TEST(PackageWriterTest, DeflatesWhereItPaysAndStoresWhereItDoesNot) {
    Release::PackageWriter stored, deflated;
    stored.add("noise.bin", noise(100000));
    deflated.add("same.txt", std::vector<char>(100000, 's'));
    // Headers, name twice and end record around the raw bytes: 30 + 9, 46 + 9, 22.
    EXPECT_EQ(stored.finish().size(), 100000u + 116u);
    EXPECT_LT(deflated.finish().size(), 1000u);
}

TEST(PackageWriterTest, RefusesWhatTheFormatCannotDescribe) {
    Release::PackageWriter writer;
    EXPECT_EQ(Testing::failureOf([&] { writer.add("", {}); }),
              "a package entry name must have 1 to 32767 characters: ");
    EXPECT_NE(Testing::failureOf([&] { writer.add(std::string(32768, 'n'), {}); }), "");
    writer.add(std::string(32767, 'n'), bytesOf("longest name"));
    for (std::size_t index = 1; index < Release::PackageWriter::MaximumEntries; ++index)
        writer.add("f" + std::to_string(index), {});
    EXPECT_EQ(Testing::failureOf([&] { writer.add("one-more", {}); }),
              "a package holds at most 65535 files; one-more is one too many");
    Cobalt::IO::ZIPPackage package("full.zip", writer.finish());
    package.readDirectory();
    EXPECT_TRUE(package.exists("f65534"));
    EXPECT_EQ(Testing::contentsOf(package, std::string(32767, 'n')), "longest name");
    EXPECT_NE(Testing::failureOf([&] { writer.add("late", {}); }), "");
}

} // namespace
