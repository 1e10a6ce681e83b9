// The Stream operations over real files on disk (FileStream).
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <vector>

using Cobalt::IO::FileStream;

namespace {

const std::string TenBytes = "0123456789";

std::vector<char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

class StreamTest : public ::testing::Test {
protected:
    // A stream over a new file holding bytes.
    std::unique_ptr<FileStream> openWith(const std::string &bytes, int mode = Cobalt::IO::In) {
        folder.write("file.bin", bytes);
        auto stream = std::make_unique<FileStream>(folder / "file.bin", mode);
        EXPECT_TRUE(stream->open());
        return stream;
    }

    Testing::TempFolder folder;
};

TEST_F(StreamTest, SizeIsTheWholeFileWhereverThePositionIs) {
    FileStream closed(folder / "missing.bin", Cobalt::IO::In);
    EXPECT_FALSE(closed.open());
    EXPECT_EQ(closed.getSize(), 0u);
    auto stream = openWith(TenBytes);
    stream->seekg(-1, 2);
    EXPECT_EQ(stream->tellg(), std::streampos(9));
    EXPECT_EQ(stream->getSize(), 10u);
    EXPECT_EQ(stream->tellg(), std::streampos(9));
}

TEST_F(StreamTest, VectorReadAsksForAtMostTheRestAndPointerReadOnlyForAFullRead) {
    std::vector<char> buffer(20, 'x');
    ASSERT_TRUE(openWith(TenBytes)->read(buffer, 4));
    EXPECT_EQ(buffer, bytesOf("0123"));
    auto stream = openWith(TenBytes);
    stream->seekg(4, 0);
    EXPECT_FALSE(stream->read(buffer, 100)) << "only 6 of the 10 bytes remain";
    ASSERT_EQ(buffer.size(), 10u);
    EXPECT_EQ(std::string(buffer.data(), 6), "456789");
    buffer = bytesOf("keep");
    EXPECT_FALSE(openWith("")->read(buffer, 100));
    EXPECT_EQ(buffer, bytesOf("keep"));

    char data[20] = {};
    EXPECT_TRUE(openWith(TenBytes)->read(data, 10));
    EXPECT_EQ(std::string(data, 10), TenBytes);
    EXPECT_FALSE(openWith(TenBytes)->read(data, 20));
}

TEST_F(StreamTest, WriteTakesAtMostCountBytesAndNeverMoreThanTheVectorHolds) {
    for (const int count : {3, 4096}) {
        auto stream = openWith("", Cobalt::IO::Out);
        EXPECT_TRUE(stream->write(bytesOf(count == 3 ? "abcdef" : "abc"), count));
        stream->close();
        EXPECT_EQ(folder.read("file.bin"), "abc") << count;
    }
    // An empty vector writes nothing, whatever the count says.
    auto stream = openWith("", Cobalt::IO::Out);
    EXPECT_TRUE(stream->write({}, 5));
    EXPECT_EQ(stream->tellp(), std::streampos(0));
    stream->close();
    EXPECT_EQ(folder.read("file.bin"), "");
}

TEST_F(StreamTest, ReadLineKeepsAtMost254CharactersAndFailsBeyond) {
    auto stream = openWith(std::string(254, 'y') + "\nnext;");
    std::string line;
    stream->readLine(line, '\n');
    EXPECT_EQ(line, std::string(254, 'y'));
    stream->readLine(line, ';');
    EXPECT_EQ(line, "next");
    EXPECT_TRUE(stream->isOpen());

    stream = openWith(std::string(300, 'x') + "\n");
    stream->readLine(line, '\n');
    EXPECT_EQ(line, std::string(254, 'x'));
    EXPECT_FALSE(stream->isOpen());
}

} // namespace
