// Mounting a package and reading every entry through the file server, against inflating the same
// entries with zlib straight from memory.
#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "io/ZIPFormat.h"
#include "tests/support/ZipWriter.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
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
        bytes.resize(std::filesystem::file_size(path));
        std::ifstream(path, std::ios::binary).read(bytes.data(), bytes.size());
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
        using namespace Cobalt::IO::ZIPFormat;
        const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
        std::size_t at = 0;
        while (at + LocalHeaderSize <= bytes.size() &&
               readUInt32(data + at) == LocalHeaderSignature) {
            const std::uint32_t nameLength = readUInt16(data + at + 26);
            Entry entry{std::string(bytes.data() + at + LocalHeaderSize, nameLength),
                        at + LocalHeaderSize + nameLength + readUInt16(data + at + 28),
                        readUInt32(data + at + 18), readUInt32(data + at + 22)};
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

// (a) Mounts the package from disk, reads every entry through the file server, unmounts it.
bool readThroughFileServer(Cobalt::IO::FileServer &server, const Package &zip,
                           std::vector<char> &contents) {
    server.mountPackage(zip.path);
    bool allRead = true;
    for (const Package::Entry &entry : zip.entries) {
        auto stream = server.open(entry.name, Cobalt::IO::In | Cobalt::IO::Binary);
        allRead = allRead && stream && stream->read(contents, stream->getSize());
        benchmark::DoNotOptimize(contents.data());
    }
    server.unmount(zip.path);
    return allRead;
}

// (b) Inflates every entry from the archive's bytes in memory, at offsets found beforehand.
bool inflateFromMemory(Package &zip) {
    bool allInflated = true;
    for (const Package::Entry &entry : zip.entries) {
        std::vector<char> contents(entry.uncompressedSize);
        z_stream inflater{};
        if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK)
            return false;
        inflater.next_in = reinterpret_cast<Bytef *>(zip.bytes.data() + entry.dataOffset);
        inflater.avail_in = entry.compressedSize;
        inflater.next_out = reinterpret_cast<Bytef *>(contents.data());
        inflater.avail_out = entry.uncompressedSize;
        allInflated = allInflated && inflate(&inflater, Z_FINISH) == Z_STREAM_END;
        inflateEnd(&inflater);
        benchmark::DoNotOptimize(contents.data());
    }
    return allInflated;
}

double processSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void MountAndReadThroughFileServer(benchmark::State &state) {
    Package &zip = package();
    Cobalt::startEngine();
    std::vector<char> contents;
    for (auto _ : state)
        if (!readThroughFileServer(*Cobalt::Engine::instance()->getFileServer(), zip, contents))
            state.SkipWithError("an entry did not read");
    Cobalt::shutdownEngine();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * zip.totalSize));
}

void InflateFromMemoryWithZlib(benchmark::State &state) {
    Package &zip = package();
    for (auto _ : state)
        if (!inflateFromMemory(zip))
            state.SkipWithError("an entry did not inflate");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * zip.totalSize));
}

// Both in turn within each iteration, so that a busy machine weighs on them alike; the counters
// are the ratios (a)/(b) of processor time and of elapsed time.
void InterleavedRatio(benchmark::State &state) {
    Package &zip = package();
    Cobalt::startEngine();
    std::vector<char> contents;
    double serverCpu = 0, zlibCpu = 0, serverWall = 0, zlibWall = 0;
    for (auto _ : state) {
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processSeconds();
        if (!readThroughFileServer(*Cobalt::Engine::instance()->getFileServer(), zip, contents))
            state.SkipWithError("an entry did not read");
        const auto wallMiddle = std::chrono::steady_clock::now();
        const double cpuMiddle = processSeconds();
        if (!inflateFromMemory(zip))
            state.SkipWithError("an entry did not inflate");
        serverCpu += cpuMiddle - cpuStart;
        zlibCpu += processSeconds() - cpuMiddle;
        serverWall += std::chrono::duration<double>(wallMiddle - wallStart).count();
        zlibWall +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallMiddle).count();
    }
    Cobalt::shutdownEngine();
    state.counters["cpu_ratio"] = serverCpu / zlibCpu;
    state.counters["wall_ratio"] = serverWall / zlibWall;
}

BENCHMARK(MountAndReadThroughFileServer)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(InflateFromMemoryWithZlib)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(InterleavedRatio)->Unit(benchmark::kMillisecond)->MinTime(6.0);

} // namespace

BENCHMARK_MAIN();
