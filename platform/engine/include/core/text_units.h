#pragma once
// Copying text between one byte and two bytes per UTF-16 unit: both file formats
// keep text whose units all fit a byte in the short form, and memos make this the
// bulk of the bytes an export moves. Plain loops, which the compiler vectorises.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/little_endian.h"

namespace engine {

// out[i] = in[i] for n units.
inline void widenUnits(const std::uint8_t* in, std::size_t n, char16_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
}

// out[i] = in[i] for n units that all fit a byte (the caller has checked).
inline void narrowUnits(const char16_t* in, std::size_t n, std::uint8_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(in[i]);
}

// The n units stored two bytes each, low byte first, at `in` (any alignment).
inline void unitsFromLe(const std::uint8_t* in, std::size_t n, char16_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        if (n > 0) std::memcpy(out, in, n * 2);
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = le16(in + 2 * i);
    }
}

// The n units stored two bytes each, low byte first, at `out`.
inline void unitsToLe(const char16_t* in, std::size_t n, std::uint8_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        if (n > 0) std::memcpy(out, in, n * 2);
    } else {
        for (std::size_t i = 0; i < n; ++i) putLe16(out + 2 * i, in[i]);
    }
}

}  // namespace engine
