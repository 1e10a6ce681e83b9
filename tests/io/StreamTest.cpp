// The Stream operations over real files on disk (FileStream).
#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using Cobalt::IO::FileStream;
namespace Mode = Cobalt::IO;

namespace {

const std::string TenBytes = "0123456789";

std::vector<char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

class StreamTest : public ::testing::Test {
protected:
    // A stream over a new file holding bytes, opened with mode.
    std::unique_ptr<FileStream> openWith(const std::string &bytes, int mode = Mode::In) {
        folder.write("file.bin", bytes);
        auto stream = std::make_unique<FileStream>(folder / "file.bin", mode);
        EXPECT_TRUE(stream->open());
        return stream;
    }

    Testing::TempFolder folder;
};

TEST_F(StreamTest, ClosedOrMissingStreamAnswersSafely) {
    folder.write("file.bin", TenBytes);
    FileStream stream(folder / "file.bin", Mode::In);
    std::vector<char> buffer{'k'};
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(stream.getSize(), 0u);
    EXPECT_EQ(stream.tellg(), std::streampos(0));
    EXPECT_EQ(stream.tellp(), std::streampos(0));
    stream.seekg(3, 0);
    EXPECT_FALSE(stream.read(buffer, 5));
    EXPECT_EQ(buffer, std::vector<char>{'k'});

    FileStream missing(folder / "missing.bin", Mode::In);
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(missing.isOpen());
}

TEST_F(StreamTest, FileStreamsAreAlwaysBinary) {
    const std::string lineEnds = "a\r\nb\nc\r\n";
    auto stream = openWith(lineEnds, Mode::In);
    EXPECT_EQ(stream->getMode(), Mode::In | Mode::Binary);
    std::vector<char> buffer;
    ASSERT_TRUE(stream->read(buffer, 100));
    EXPECT_EQ(buffer, bytesOf(lineEnds));
}

TEST_F(StreamTest, SeeksFromStartCurrentAndEndAndKeepsThePosition) {
    auto stream = openWith(TenBytes);
    stream->seekg(2, 0);
    EXPECT_EQ(stream->tellg(), std::streampos(2));
    stream->seekg(3, 1);
    EXPECT_EQ(stream->tellg(), std::streampos(5));
    stream->seekg(-1, 2);
    EXPECT_EQ(stream->tellg(), std::streampos(9));
    stream->seekg(0, 7);
    EXPECT_EQ(stream->tellg(), std::streampos(9)) << "an unknown direction must not move";

    stream->seekg(3, 0);
    EXPECT_EQ(stream->getSize(), 10u);
    EXPECT_TRUE(stream->open()) << "opening an open stream keeps its position";
    EXPECT_EQ(stream->tellg(), std::streampos(3));
    char next = 0;
    ASSERT_TRUE(stream->read(&next, 1));
    EXPECT_EQ(next, '3');

    stream->close();
    EXPECT_FALSE(stream->isOpen());
    ASSERT_TRUE(stream->open());
    EXPECT_EQ(stream->getSize(), 10u);
}

TEST_F(StreamTest, VectorReadAsksForAtMostTheWholeFile) {
    std::vector<char> buffer(20, 'x');
    ASSERT_TRUE(openWith(TenBytes)->read(buffer, 4));
    EXPECT_EQ(buffer, bytesOf("0123"));
    ASSERT_TRUE(openWith(TenBytes)->read(buffer, 100));
    EXPECT_EQ(buffer, bytesOf(TenBytes));

    auto stream = openWith(TenBytes);
    stream->seekg(4, 0);
    EXPECT_FALSE(stream->read(buffer, 100)) << "only 6 of the 10 bytes remain";
    ASSERT_EQ(buffer.size(), 10u);
    EXPECT_EQ(std::string(buffer.data(), 6), "456789");

    buffer = bytesOf("keep");
    EXPECT_FALSE(openWith("")->read(buffer, 100));
    EXPECT_EQ(buffer, bytesOf("keep"));
}

TEST_F(StreamTest, PointerReadIsTrueOnlyForAFullRead) {
    char data[20] = {};
    EXPECT_TRUE(openWith(TenBytes)->read(data, 10));
    EXPECT_EQ(std::string(data, 10), TenBytes);
    EXPECT_FALSE(openWith(TenBytes)->read(data, 20));
}

TEST_F(StreamTest, WriteTakesAtMostCountBytesOfTheVectorAsTheyAre) {
    const std::string binary("\r\n\n\x1a\0\xff", 6);
    const std::tuple<std::string, int, std::string> cases[] = {// bytes, count, file after
                                                               {"", 5, ""},
                                                               {"abcdef", 3, "abc"},
                                                               {"abc", 4096, "abc"},
                                                               {binary, 6, binary}};
    for (const auto &[bytes, count, after] : cases) {
        SCOPED_TRACE(count);
        auto stream = openWith("", Mode::Out);
        EXPECT_TRUE(stream->write(bytesOf(bytes), count));
        stream->close();
        EXPECT_EQ(folder.read("file.bin"), after);
    }
}

TEST_F(StreamTest, ReadLineKeepsAtMost254CharactersAndFailsBeyond) {
    auto stream = openWith("one;two;");
    std::string line;
    stream->readLine(line, ';');
    EXPECT_EQ(line, "one");
    stream->readLine(line, ';');
    EXPECT_EQ(line, "two");
    EXPECT_TRUE(stream->isOpen());

    stream = openWith(std::string(254, 'y') + "\nnext\n");
    stream->readLine(line, '\n');
    EXPECT_EQ(line, std::string(254, 'y'));
    stream->readLine(line, '\n');
    EXPECT_EQ(line, "next");

    stream = openWith(std::string(300, 'x') + "\n");
    stream->readLine(line, '\n');
    EXPECT_EQ(line, std::string(254, 'x'));
    EXPECT_FALSE(stream->isOpen());
}

TEST_F(StreamTest, GetLineSkipsWithoutABufferAndLimitsOnlyANonZeroSize) {
    auto stream = openWith("skipped line\nkept\n");
    stream->getLine(nullptr, 0, '\n');
    std::string line;
    stream->readLine(line, '\n');
    EXPECT_EQ(line, "kept");

    const std::string longLine(1000, 'z');
    stream = openWith(longLine + "\n");
    std::vector<char> buffer(longLine.size() + 1, '\0');
    stream->getLine(buffer.data(), 0, '\n');
    EXPECT_EQ(std::string(buffer.data()), longLine);
    EXPECT_TRUE(stream->isOpen());

    stream = openWith("abcdef\n");
    char small[4] = {'#', '#', '#', '#'};
    stream->getLine(small, 4, '\n');
    EXPECT_EQ(std::string(small), "abc");
    EXPECT_FALSE(stream->isOpen());
}

TEST_F(StreamTest, NameIsResolvedThroughTheCurrentEngine) {
    folder.write("aliased.txt", "through the engine");
    Cobalt::Engine *engine = Cobalt::startEngine();
    const std::string target = folder.path().substr(0, folder.path().size() - 1);
    engine->getFileServer()->setAlias("streamtest", target.c_str());

    FileStream stream("streamtest:aliased.txt", Mode::In);
    const bool opened = stream.open();
    std::vector<char> buffer;
    const bool read = opened && stream.read(buffer, 100);
    stream.close();
    Cobalt::shutdownEngine();

    EXPECT_TRUE(read);
    EXPECT_EQ(buffer, bytesOf("through the engine"));
    EXPECT_EQ(stream.getName(), "streamtest:aliased.txt");
}

} // namespace
