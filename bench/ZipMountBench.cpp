// Mounting a package and reading every entry through the file server, against inflating the same
// entries with zlib straight from memory.
#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "tests/support/ZipWriter.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int EntryCount = 1000;
constexpr std::size_t EntrySize = 100 * 1024 * 1024 / EntryCount;

// Words drawn uniformly from a random vocabulary: deflate gets about 2.5:1, not more.
std::string randomText(std::mt19937 &generator, const std::vector<std::string> &vocabulary) {
    std::string text;
    text.reserve(EntrySize + 16);
    while (text.size() < EntrySize) {
        text += vocabulary[generator() % vocabulary.size()];
        text += generator() % 12 == 0 ? '\n' : ' ';
    }
    text.resize(EntrySize);
    return text;
}

// The package on disk, made once per run, and where each entry's data lies in it.
class Package {
public:
    struct Entry {
        std::string name;
        std::size_t dataOffset;
        std::uint32_t compressedSize;
        std::uint32_t uncompressedSize;
    };

    Package() {
        std::random_device seed;
        folder = std::filesystem::temp_directory_path() /
                 ("brightwell-zipbench-" + std::to_string(seed()));
        std::filesystem::create_directories(folder);
        path = (folder / "package.zip").string();
        write();
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        locateEntries();
    }

    ~Package() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::string path;
    std::vector<char> bytes;
    std::vector<Entry> entries;
    std::uint64_t totalSize = 0;

private:
    void write() {
        std::mt19937 generator(2025);
        std::vector<std::string> vocabulary(4096);
        for (std::string &word : vocabulary)
            for (std::size_t length = 2 + generator() % 9; word.size() < length;)
                word += static_cast<char>('a' + generator() % 26);
        Testing::ZipWriter writer;
        for (int index = 0; index < EntryCount; ++index)
            writer.add("data/part" + std::to_string(index) + ".txt",
                       randomText(generator, vocabulary));
        const std::string archive = writer.bytes();
        std::ofstream(path, std::ios::binary).write(archive.data(), archive.size());
    }

    // The local headers follow each other from the start of the archive.
    void locateEntries() {
        const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
        auto u16 = [&](std::size_t at) { return std::uint32_t(data[at] | data[at + 1] << 8); };
        auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        std::size_t at = 0;
        while (at + 30 <= bytes.size() && u32(at) == 0x04034b50) {
            const std::uint32_t nameLength = u16(at + 26);
            Entry entry{std::string(bytes.data() + at + 30, nameLength),
                        at + 30 + nameLength + u16(at + 28), u32(at + 18), u32(at + 22)};
            totalSize += entry.uncompressedSize;
            at = entry.dataOffset + entry.compressedSize;
            entries.push_back(std::move(entry));
        }
    }
};

Package &package() {
    static Package made;
    return made;
}

void MountAndReadThroughFileServer(benchmark::State &state) {
    Package &zip = package();
    Cobalt::startEngine();
    Cobalt::IO::FileServer *server = Cobalt::Engine::instance()->getFileServer();
    std::vector<char> contents;
    for (auto _ : state) {
        server->mountPackage(zip.path);
        for (const Package::Entry &entry : zip.entries) {
            auto stream = server->open(entry.name, Cobalt::IO::In | Cobalt::IO::Binary);
            if (!stream || !stream->read(contents, stream->getSize())) {
                state.SkipWithError("an entry did not read");
                break;
            }
            benchmark::DoNotOptimize(contents.data());
        }
        server->unmount(zip.path);
    }
    Cobalt::shutdownEngine();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * zip.totalSize));
}

// The offsets were found once, outside the timed loop.
void InflateFromMemoryWithZlib(benchmark::State &state) {
    Package &zip = package();
    for (auto _ : state) {
        for (const Package::Entry &entry : zip.entries) {
            std::vector<char> contents(entry.uncompressedSize);
            z_stream inflater{};
            inflateInit2(&inflater, -MAX_WBITS);
            inflater.next_in = reinterpret_cast<Bytef *>(zip.bytes.data() + entry.dataOffset);
            inflater.avail_in = entry.compressedSize;
            inflater.next_out = reinterpret_cast<Bytef *>(contents.data());
            inflater.avail_out = entry.uncompressedSize;
            const int result = inflate(&inflater, Z_FINISH);
            inflateEnd(&inflater);
            if (result != Z_STREAM_END) {
                state.SkipWithError("an entry did not inflate");
                break;
            }
            benchmark::DoNotOptimize(contents.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * zip.totalSize));
}

BENCHMARK(MountAndReadThroughFileServer)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(InflateFromMemoryWithZlib)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
