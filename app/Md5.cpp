// MD5 (RFC 1321) with the 64 steps unrolled and the message words read straight from the buffer.
#include "app/Md5.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// Message words are loaded with memcpy, which matches MD5's byte order only on little-endian
// machines; every target of the launcher is one.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "md5Hex loads message words in little-endian order"
#endif

namespace Cobalt {

namespace {

using Word = std::uint32_t;
constexpr std::size_t BlockSize = 64;
constexpr std::size_t LengthOffset = BlockSize - 8;

struct Chaining {
    Word a, b, c, d;
};

inline Word load(const unsigned char *block, int index) {
    Word word;
    std::memcpy(&word, block + 4 * index, sizeof word);
    return word;
}

inline Word rotateLeft(Word value, int shift) { return (value << shift) | (value >> (32 - shift)); }

// Each step adds the terms that do not wait for b first, so they overlap with the previous step.
inline void stepF(Word &a, Word b, Word c, Word d, Word x, Word t, int s) {
    a += x + t;
    a += d ^ (b & (c ^ d));
    a = rotateLeft(a, s) + b;
}

inline void stepG(Word &a, Word b, Word c, Word d, Word x, Word t, int s) {
    a += x + t + (c & ~d);
    a += b & d;
    a = rotateLeft(a, s) + b;
}

inline void stepH(Word &a, Word b, Word c, Word d, Word x, Word t, int s) {
    a += x + t;
    a += b ^ (c ^ d);
    a = rotateLeft(a, s) + b;
}

inline void stepI(Word &a, Word b, Word c, Word d, Word x, Word t, int s) {
    a += x + t;
    a += c ^ (b | ~d);
    a = rotateLeft(a, s) + b;
}

// Runs the compression function over count consecutive 64-byte blocks.
void compress(Chaining &state, const unsigned char *blocks, std::size_t count) {
    Word a = state.a, b = state.b, c = state.c, d = state.d;
    for (const unsigned char *p = blocks; count > 0; --count, p += BlockSize) {
        const Word oldA = a, oldB = b, oldC = c, oldD = d;

        stepF(a, b, c, d, load(p, 0), 0xd76aa478, 7);
        stepF(d, a, b, c, load(p, 1), 0xe8c7b756, 12);
        stepF(c, d, a, b, load(p, 2), 0x242070db, 17);
        stepF(b, c, d, a, load(p, 3), 0xc1bdceee, 22);
        stepF(a, b, c, d, load(p, 4), 0xf57c0faf, 7);
        stepF(d, a, b, c, load(p, 5), 0x4787c62a, 12);
        stepF(c, d, a, b, load(p, 6), 0xa8304613, 17);
        stepF(b, c, d, a, load(p, 7), 0xfd469501, 22);
        stepF(a, b, c, d, load(p, 8), 0x698098d8, 7);
        stepF(d, a, b, c, load(p, 9), 0x8b44f7af, 12);
        stepF(c, d, a, b, load(p, 10), 0xffff5bb1, 17);
        stepF(b, c, d, a, load(p, 11), 0x895cd7be, 22);
        stepF(a, b, c, d, load(p, 12), 0x6b901122, 7);
        stepF(d, a, b, c, load(p, 13), 0xfd987193, 12);
        stepF(c, d, a, b, load(p, 14), 0xa679438e, 17);
        stepF(b, c, d, a, load(p, 15), 0x49b40821, 22);

        stepG(a, b, c, d, load(p, 1), 0xf61e2562, 5);
        stepG(d, a, b, c, load(p, 6), 0xc040b340, 9);
        stepG(c, d, a, b, load(p, 11), 0x265e5a51, 14);
        stepG(b, c, d, a, load(p, 0), 0xe9b6c7aa, 20);
        stepG(a, b, c, d, load(p, 5), 0xd62f105d, 5);
        stepG(d, a, b, c, load(p, 10), 0x02441453, 9);
        stepG(c, d, a, b, load(p, 15), 0xd8a1e681, 14);
        stepG(b, c, d, a, load(p, 4), 0xe7d3fbc8, 20);
        stepG(a, b, c, d, load(p, 9), 0x21e1cde6, 5);
        stepG(d, a, b, c, load(p, 14), 0xc33707d6, 9);
        stepG(c, d, a, b, load(p, 3), 0xf4d50d87, 14);
        stepG(b, c, d, a, load(p, 8), 0x455a14ed, 20);
        stepG(a, b, c, d, load(p, 13), 0xa9e3e905, 5);
        stepG(d, a, b, c, load(p, 2), 0xfcefa3f8, 9);
        stepG(c, d, a, b, load(p, 7), 0x676f02d9, 14);
        stepG(b, c, d, a, load(p, 12), 0x8d2a4c8a, 20);

        stepH(a, b, c, d, load(p, 5), 0xfffa3942, 4);
        stepH(d, a, b, c, load(p, 8), 0x8771f681, 11);
        stepH(c, d, a, b, load(p, 11), 0x6d9d6122, 16);
        stepH(b, c, d, a, load(p, 14), 0xfde5380c, 23);
        stepH(a, b, c, d, load(p, 1), 0xa4beea44, 4);
        stepH(d, a, b, c, load(p, 4), 0x4bdecfa9, 11);
        stepH(c, d, a, b, load(p, 7), 0xf6bb4b60, 16);
        stepH(b, c, d, a, load(p, 10), 0xbebfbc70, 23);
        stepH(a, b, c, d, load(p, 13), 0x289b7ec6, 4);
        stepH(d, a, b, c, load(p, 0), 0xeaa127fa, 11);
        stepH(c, d, a, b, load(p, 3), 0xd4ef3085, 16);
        stepH(b, c, d, a, load(p, 6), 0x04881d05, 23);
        stepH(a, b, c, d, load(p, 9), 0xd9d4d039, 4);
        stepH(d, a, b, c, load(p, 12), 0xe6db99e5, 11);
        stepH(c, d, a, b, load(p, 15), 0x1fa27cf8, 16);
        stepH(b, c, d, a, load(p, 2), 0xc4ac5665, 23);

        stepI(a, b, c, d, load(p, 0), 0xf4292244, 6);
        stepI(d, a, b, c, load(p, 7), 0x432aff97, 10);
        stepI(c, d, a, b, load(p, 14), 0xab9423a7, 15);
        stepI(b, c, d, a, load(p, 5), 0xfc93a039, 21);
        stepI(a, b, c, d, load(p, 12), 0x655b59c3, 6);
        stepI(d, a, b, c, load(p, 3), 0x8f0ccc92, 10);
        stepI(c, d, a, b, load(p, 10), 0xffeff47d, 15);
        stepI(b, c, d, a, load(p, 1), 0x85845dd1, 21);
        stepI(a, b, c, d, load(p, 8), 0x6fa87e4f, 6);
        stepI(d, a, b, c, load(p, 15), 0xfe2ce6e0, 10);
        stepI(c, d, a, b, load(p, 6), 0xa3014314, 15);
        stepI(b, c, d, a, load(p, 13), 0x4e0811a1, 21);
        stepI(a, b, c, d, load(p, 4), 0xf7537e82, 6);
        stepI(d, a, b, c, load(p, 11), 0xbd3af235, 10);
        stepI(c, d, a, b, load(p, 2), 0x2ad7d2bb, 15);
        stepI(b, c, d, a, load(p, 9), 0xeb86d391, 21);

        a += oldA;
        b += oldB;
        c += oldC;
        d += oldD;
    }
    state.a = a;
    state.b = b;
    state.c = c;
    state.d = d;
}

// The last one or two blocks: the remaining bytes, 0x80, zeros and the bit length.
void compressTail(Chaining &state, const unsigned char *rest, std::size_t restSize,
                  std::uint64_t totalSize) {
    unsigned char tail[2 * BlockSize] = {};
    std::memcpy(tail, rest, restSize);
    tail[restSize] = 0x80;
    const std::size_t tailSize = restSize < LengthOffset ? BlockSize : 2 * BlockSize;
    std::uint64_t bits = totalSize << 3;
    for (std::size_t i = tailSize - 8; i < tailSize; ++i, bits >>= 8)
        tail[i] = static_cast<unsigned char>(bits);
    compress(state, tail, tailSize / BlockSize);
}

void appendHex(std::string &text, Word word) {
    static const char digits[] = "0123456789abcdef";
    for (int byte = 0; byte < 4; ++byte, word >>= 8) {
        text += digits[(word >> 4) & 0xf];
        text += digits[word & 0xf];
    }
}

std::string hexText(const Chaining &state) {
    std::string text;
    text.reserve(32);
    for (Word word : {state.a, state.b, state.c, state.d})
        appendHex(text, word);
    return text;
}

} // namespace

void Md5::update(const char *data, std::size_t size) {
    if (size == 0)
        return;
    Chaining chaining{state[0], state[1], state[2], state[3]};
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    totalSize += size;
    if (pendingSize > 0) {
        const std::size_t taken = std::min(size, BlockSize - pendingSize);
        std::memcpy(pending + pendingSize, bytes, taken);
        pendingSize += taken;
        bytes += taken;
        size -= taken;
        if (pendingSize < BlockSize)
            return;
        compress(chaining, pending, 1);
    }
    const std::size_t wholeBlocks = size / BlockSize;
    compress(chaining, bytes, wholeBlocks);
    pendingSize = size % BlockSize;
    std::memcpy(pending, bytes + wholeBlocks * BlockSize, pendingSize);
    state[0] = chaining.a;
    state[1] = chaining.b;
    state[2] = chaining.c;
    state[3] = chaining.d;
}

std::string Md5::hexDigest() const {
    Chaining chaining{state[0], state[1], state[2], state[3]};
    compressTail(chaining, pending, pendingSize, totalSize);
    return hexText(chaining);
}

std::string md5Hex(const std::vector<char> &bytes) {
    if (bytes.empty())
        return {};
    Md5 digest;
    digest.update(bytes.data(), bytes.size());
    return digest.hexDigest();
}

} // namespace Cobalt
