// md5Hex against OpenSSL's MD5 on the same 64 MiB buffer; compare the two bytes_per_second.
#include "app/Md5.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <vector>

namespace {

constexpr std::size_t BufferSize = 64u << 20;

const std::vector<char> &buffer() {
    static const std::vector<char> bytes = [] {
        std::vector<char> filled(BufferSize);
        std::mt19937 random(1321);
        for (char &byte : filled)
            byte = static_cast<char>(random());
        return filled;
    }();
    return bytes;
}

void md5HexOn64MiB(benchmark::State &state) {
    const std::vector<char> &bytes = buffer();
    for (auto _ : state)
        benchmark::DoNotOptimize(Cobalt::md5Hex(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * BufferSize);
}

void opensslMd5On64MiB(benchmark::State &state) {
    const std::vector<char> &bytes = buffer();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr))
            state.SkipWithError("EVP_Digest failed");
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * BufferSize);
}

} // namespace

BENCHMARK(md5HexOn64MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(opensslMd5On64MiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
