#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "text_key_internal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace excel {
namespace {

// A block is 64 units read as 16 words of 8 bytes, one accumulator per word.
// Each word adds the product of its two halves (after mixing in a key that
// changes from block to block, so moved blocks hash differently) and its
// neighbour word. The accumulators depend on nothing but one addition per
// block, so the multiplications of a block run side by side.
constexpr std::size_t kLanes = 16;
constexpr std::size_t kBlockUnits = 64;
constexpr std::uint64_t kKey[2] = {0xD1310BA698DFB5ACull, 0x9216D5D98979FB1Bull};
constexpr std::uint64_t kStep[2] = {0xC2B2AE3D27D4EB4Full, 0x9E3779B97F4A7C15ull};
constexpr std::uint64_t kHighBytes = 0xFF00FF00FF00FF00ull;

struct Bulk {
    std::uint64_t acc[kLanes];  // from kSeeds
    std::uint64_t units = 0;    // OR of every unit, four to a word
};

constexpr std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 31);
}

// The accumulators' first values: any distinct constants will do.
constexpr std::array<std::uint64_t, kLanes> kSeeds = [] {
    std::array<std::uint64_t, kLanes> seeds{};
    std::uint64_t seed = 0x243F6A8885A308D3ull;
    for (auto& s : seeds) s = seed = mix(seed, 0x13198A2E03707344ull);
    return seeds;
}();

// Folds the accumulators into one word: eight independent 64 x 64-bit products
// (both halves kept), not sixteen mixes one after another, so a text just over
// one block costs little more than one just under.
std::uint64_t fold(const Bulk& b) {
    std::uint64_t sum = 0;
    for (std::size_t j = 0; j < kLanes; j += 2) {
        const unsigned __int128 product =
            static_cast<unsigned __int128>(b.acc[j] ^ kSeeds[j]) * (b.acc[j + 1] ^ kSeeds[j + 1]);
        sum += static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
    }
    return sum;
}

void bulkPortable(const char16_t* c, std::size_t blocks, Bulk& b) {
    std::uint64_t key[2] = {kKey[0], kKey[1]};
    for (; blocks > 0; --blocks, c += kBlockUnits) {
        std::uint64_t w[kLanes];
        std::memcpy(w, c, sizeof w);
        for (std::size_t j = 0; j < kLanes; ++j) {
            b.units |= w[j];
            const std::uint64_t x = w[j] ^ key[j & 1];
            b.acc[j] += (x & 0xFFFFFFFFu) * (x >> 32) + w[j ^ 1];
        }
        key[0] += kStep[0];
        key[1] += kStep[1];
    }
}

#if defined(__x86_64__)
// SSE2 is part of every x86-64 processor.
void bulkSse2(const char16_t* c, std::size_t blocks, Bulk& b) {
    __m128i acc[kLanes / 2];
    for (std::size_t k = 0; k < kLanes / 2; ++k)
        acc[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.acc + 2 * k));
    __m128i key = _mm_set_epi64x(static_cast<long long>(kKey[1]), static_cast<long long>(kKey[0]));
    const __m128i step =
        _mm_set_epi64x(static_cast<long long>(kStep[1]), static_cast<long long>(kStep[0]));
    __m128i units = _mm_setzero_si128();
    for (; blocks > 0; --blocks, c += kBlockUnits) {
        for (std::size_t k = 0; k < kLanes / 2; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 8 * k));
            units = _mm_or_si128(units, v);
            const __m128i x = _mm_xor_si128(v, key);
            const __m128i product = _mm_mul_epu32(x, _mm_srli_epi64(x, 32));
            acc[k] = _mm_add_epi64(acc[k], _mm_add_epi64(product, _mm_shuffle_epi32(v, 0x4E)));
        }
        key = _mm_add_epi64(key, step);
    }
    for (std::size_t k = 0; k < kLanes / 2; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b.acc + 2 * k), acc[k]);
    std::uint64_t u[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u), units);
    b.units |= u[0] | u[1];
}

__attribute__((target("avx2"))) void bulkAvx2(const char16_t* c, std::size_t blocks, Bulk& b) {
    __m256i acc[kLanes / 4];
    for (std::size_t k = 0; k < kLanes / 4; ++k)
        acc[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b.acc + 4 * k));
    __m256i key =
        _mm256_set_epi64x(static_cast<long long>(kKey[1]), static_cast<long long>(kKey[0]),
                          static_cast<long long>(kKey[1]), static_cast<long long>(kKey[0]));
    const __m256i step =
        _mm256_set_epi64x(static_cast<long long>(kStep[1]), static_cast<long long>(kStep[0]),
                          static_cast<long long>(kStep[1]), static_cast<long long>(kStep[0]));
    __m256i units = _mm256_setzero_si256();
    for (; blocks > 0; --blocks, c += kBlockUnits) {
        for (std::size_t k = 0; k < kLanes / 4; ++k) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + 16 * k));
            units = _mm256_or_si256(units, v);
            const __m256i x = _mm256_xor_si256(v, key);
            const __m256i product = _mm256_mul_epu32(x, _mm256_srli_epi64(x, 32));
            // Within each 128-bit half, as SSE2 does: word j meets word j ^ 1.
            acc[k] =
                _mm256_add_epi64(acc[k], _mm256_add_epi64(product, _mm256_shuffle_epi32(v, 0x4E)));
        }
        key = _mm256_add_epi64(key, step);
    }
    for (std::size_t k = 0; k < kLanes / 4; ++k)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(b.acc + 4 * k), acc[k]);
    std::uint64_t u[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(u), units);
    b.units |= u[0] | u[1] | u[2] | u[3];
}
#endif

KeyWidth widest() {
#if defined(__x86_64__)
    __builtin_cpu_init();  // harmless after start-up, needed before it
    return __builtin_cpu_supports("avx2") ? KeyWidth::Avx2 : KeyWidth::Sse2;
#else
    return KeyWidth::Portable;
#endif
}

}  // namespace

std::vector<KeyWidth> keyWidths() {
    std::vector<KeyWidth> widths{KeyWidth::Portable};
#if defined(__x86_64__)
    widths.push_back(KeyWidth::Sse2);
    if (widest() == KeyWidth::Avx2) widths.push_back(KeyWidth::Avx2);
#endif
    return widths;
}

SharedStrings::Key keyOfText(std::u16string_view text, KeyWidth width) {
    const char16_t* c = text.data();
    std::size_t n = text.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    std::uint64_t units = 0;
    // Below two blocks the setting up and folding of the accumulators would cost
    // more than they save.
    if (const std::size_t blocks = n / kBlockUnits; blocks >= 2) {
        Bulk b;
        std::copy(kSeeds.begin(), kSeeds.end(), b.acc);
        switch (width) {
#if defined(__x86_64__)
            case KeyWidth::Avx2:
                bulkAvx2(c, blocks, b);
                break;
            case KeyWidth::Sse2:
                bulkSse2(c, blocks, b);
                break;
#endif
            default:
                bulkPortable(c, blocks, b);
                break;
        }
        h = mix(h, fold(b));
        units = b.units;
        c += blocks * kBlockUnits;
        n -= blocks * kBlockUnits;
    }
    // Names and addresses are mostly shorter than a block: four lanes of 8 bytes
    // keep their mixes side by side too.
    if (n >= 16) {
        std::uint64_t lanes[4] = {h, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                  0x27D4EB2F165667C5ull};
        for (; n >= 16; n -= 16, c += 16) {
            for (int k = 0; k < 4; ++k) {
                std::uint64_t word;
                std::memcpy(&word, c + 4 * k, sizeof word);
                lanes[k] = mix(lanes[k], word);
                units |= word;
            }
        }
        h = mix(lanes[0] ^ std::rotl(lanes[1], 21), lanes[2] ^ std::rotl(lanes[3], 43));
    }
    for (; n >= 4; n -= 4, c += 4) {
        std::uint64_t word;
        std::memcpy(&word, c, sizeof word);
        h = mix(h, word);
        units |= word;
    }
    for (; n > 0; --n, ++c) {
        h = (h ^ *c) * 0x94D049BB133111EBull;
        units |= *c;
    }
    h ^= h >> 29;
    return {static_cast<std::uint32_t>(h ^ h >> 32), (units & kHighBytes) == 0};
}

SharedStrings::Key SharedStrings::keyOf(std::u16string_view text) {
    static const KeyWidth width = widest();
    return keyOfText(text, width);
}

}  // namespace excel
