#pragma once
// Copying text between one byte and two bytes per UTF-16 unit: both file formats
// keep text whose units all fit a byte in the short form, and memos make this the
// bulk of the bytes an export moves. Plain loops, which the compiler vectorises.

#include <cstddef>
#include <cstdint>

namespace engine {

// out[i] = in[i] for n units.
inline void widenUnits(const std::uint8_t* in, std::size_t n, char16_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
}

// out[i] = in[i] for n units that all fit a byte (the caller has checked).
inline void narrowUnits(const char16_t* in, std::size_t n, std::uint8_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(in[i]);
}

}  // namespace engine
