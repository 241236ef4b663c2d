#pragma once
// Copying text between one byte and two bytes per UTF-16 unit: both file formats
// keep text whose units all fit a byte in the short form, and memos make this the
// bulk of the bytes an export moves.

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

// out[i] = in[i] for n units.
inline void widenUnits(const std::uint8_t* in, std::size_t n, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(b, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(b, zero));
    }
#endif
    for (; i < n; ++i) out[i] = in[i];
}

// out[i] = in[i] for n units that all fit a byte (the caller has checked).
inline void narrowUnits(const char16_t* in, std::size_t n, std::uint8_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<std::uint8_t>(in[i]);
}

}  // namespace engine
