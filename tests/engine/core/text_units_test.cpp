// Text copied between one and two bytes per unit, in vectors where the compiler
// makes them: every length around the vector sizes and every byte value must come
// out unchanged, and nothing past the end be written.
#include "core/text_units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TextUnits, WidenAndNarrowAgreeWithPlainLoops) {
    for (std::size_t n = 0; n <= 70; ++n) {
        for (unsigned seed : {0u, 1u, 77u}) {
            std::vector<std::uint8_t> bytes(n);
            for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + seed * 101 + 0x80);
            // One unit past the end of the text stays untouched.
            std::u16string wide(n + 1, u'\uFFFF');
            engine::widenUnits(bytes.data(), n, wide.data());
            for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(wide[i], bytes[i]) << n << " " << i;
            ASSERT_EQ(wide[n], u'\uFFFF');

            std::vector<std::uint8_t> back(n + 1, 0xAA);
            engine::narrowUnits(wide.data(), n, back.data());
            for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(back[i], bytes[i]) << n << " " << i;
            ASSERT_EQ(back[n], 0xAA);
        }
    }
}

}  // namespace
