// Downloads that go somewhere else than a growing buffer: a staged file on disk, a buffer with a
// limit, a sink that gives up, a digest on the way; and the trailing line ends counted however
// the body is cut.
#include "io/StagedFile.h"
#include "network/BufferSink.h"
#include "network/DigestingSink.h"
#include "network/TrailingLineEnds.h"
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(TrailingLineEndsTest, CountsWhatTheRuleRemovesWhereverTheBodyIsCut) {
    const std::pair<std::string, std::uint64_t> bodies[] = {
        {"x\r\n\r\n", 4}, {"x\n\r\n", 3},   {"x\r\r\n", 2},  {"\n\n\r\n", 4},
        {"x\r", 0},       {"x\r\nab\n", 1}, {"\r\n\rx\n", 1}};
    for (const auto &[text, removed] : bodies) {
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            KSNetwork::TrailingLineEnds lineEnds;
            lineEnds.add(text.data(), cut);
            lineEnds.add(text.data() + cut, text.size() - cut);
            EXPECT_EQ(lineEnds.removable(), removed) << cut << " of " << text;
        }
    }
}

// Takes bytes until it has more than it may hold.
class GivingUpSink : public KSNetwork::DownloadSink {
public:
    bool receive(const char *, std::size_t size) override { return (received += size) < 100000; }
    bool dropLast(std::uint64_t) override { return true; }
    bool restart(const std::string &) override { return true; }
    std::size_t received = 0;
};

// Keeps what it takes, as a staged file does; held() tells what an earlier attempt left.
class KeepingSink : public KSNetwork::DownloadSink {
public:
    bool receive(const char *data, std::size_t size) override {
        bytes.append(data, size);
        return true;
    }
    bool dropLast(std::uint64_t count) override {
        bytes.resize(bytes.size() - count);
        return true;
    }
    bool restart(const std::string &) override {
        bytes.clear();
        return true;
    }
    std::uint64_t held() const override { return bytes.size(); }
    std::string bytes;
};

std::string sha256(const std::string &bytes) {
    Cobalt::Sha256 hash;
    hash.update(bytes.data(), bytes.size());
    return Cobalt::Sha256::hex(hash.digest());
}

std::string digestOf(const KSNetwork::DigestingSink &sink) {
    const auto digest = sink.digest();
    return digest ? Cobalt::Sha256::hex(*digest) : "none";
}

TEST(DigestingSinkTest, TheDigestIsOfTheBytesTheTargetKeepsOrThereIsNone) {
    std::string body;
    for (int i = 0; i < 10000; ++i)
        body += static_cast<char>(i * 7 % 256);
    body += "\r\n";
    KeepingSink kept;
    KSNetwork::DigestingSink sink(kept);
    ASSERT_TRUE(sink.receive(body.data(), 6000));
    ASSERT_TRUE(sink.receive(body.data() + 6000, body.size() - 6000));
    ASSERT_TRUE(sink.dropLast(2));
    EXPECT_EQ(digestOf(sink), sha256(kept.bytes));
    // A cut deeper than the bytes not hashed yet leaves no digest, until the sink starts over.
    ASSERT_TRUE(sink.dropLast(KSNetwork::DigestingSink::Waiting + 1));
    EXPECT_EQ(digestOf(sink), "none");
    ASSERT_TRUE(sink.restart("\"v2\""));
    ASSERT_TRUE(sink.receive("abc", 3));
    EXPECT_EQ(digestOf(sink), sha256("abc"));
    // Bytes the target held before it was handed over never passed through.
    KSNetwork::DigestingSink continuing(kept);
    ASSERT_TRUE(continuing.receive("d", 1));
    EXPECT_EQ(digestOf(continuing), "none");
}

using SinkDownloadTest = Testing::ReferenceServerFixture;

TEST_F(SinkDownloadTest, APackageGoesToDiskAsItArrivesWithoutItsTrailingLineEnds) {
    std::string package;
    for (int i = 0; i < 300000; ++i)
        package += static_cast<char>(i * 7 % 256);
    writeReleaseFile("base.zip", package + "\r\n\n");
    const Testing::TempFolder folder;
    auto staged = Cobalt::IO::StagedFile::create(folder / "base.zip");
    ASSERT_TRUE(staged);
    KSNetwork::DigestingSink digesting(*staged);
    ASSERT_TRUE(connector->downloadSiteFile("base.zip", digesting));
    EXPECT_TRUE(staged->close());
    EXPECT_TRUE(folder.read("base.zip") == package);
    EXPECT_EQ(digestOf(digesting), sha256(package));

    // A sink that cannot keep the bytes stops the transfer: no failure is thrown, and the
    // connector is ready for the next download.
    GivingUpSink givingUp;
    EXPECT_FALSE(connector->downloadSiteFile("base.zip", givingUp));
    EXPECT_LT(givingUp.received, package.size());
    std::vector<char> bytes;
    KSNetwork::BufferSink limited(bytes, 299999);
    EXPECT_FALSE(connector->downloadSiteFile("base.zip", limited));
    EXPECT_TRUE(limited.overflowed());
    EXPECT_EQ(connector->getProgress(), 0);
    bytes.clear();
    KSNetwork::BufferSink roomy(bytes, 300003);
    EXPECT_TRUE(connector->downloadSiteFile("base.zip", roomy));
    EXPECT_EQ(bytes.size(), package.size());
}

} // namespace
