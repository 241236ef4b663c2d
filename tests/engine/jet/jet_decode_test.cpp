// Decoding of stored values that the real files cannot pin down exactly: text
// in each stored form and code page, and Single values.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <cmath>
#include <cstring>
#include <limits>

#include "jet/row_reader.h"
#include "jet/text.h"
#include "support.h"

namespace {

struct TextCase {
    const char* what;
    int version;
    int codePage;
    std::vector<std::uint8_t> bytes;
    std::u16string expected;
};

class TextDecoding : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextDecoding, DecodesToExactUtf16) {
    const TextCase& c = GetParam();
    jet::TextDecoder decoder(c.version == 3, c.codePage);
    std::u16string out = u"previous value";
    decoder.decode(c.bytes.data(), c.bytes.size(), out);
    EXPECT_EQ(out, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TextDecoding,
    ::testing::Values(
        TextCase{"jet4 plain utf-16", 4, 0, {'A', 0, 0xe9, 0, 0x1f, 0x04}, u"A\u00e9\u041f"},
        TextCase{"jet4 empty", 4, 0, {}, u""},
        TextCase{"jet4 compressed ascii", 4, 0, {0xff, 0xfe, 'a', 'b', 'c'}, u"abc"},
        TextCase{"jet4 compressed latin-1", 4, 0, {0xff, 0xfe, 0xe4, 0xe4, 'k'}, u"\u00e4\u00e4k"},
        // A zero byte switches to two bytes per unit and back.
        TextCase{"jet4 compressed mixed", 4, 0,
                 {0xff, 0xfe, 'M', 0, 0x38, 0x04, 0x40, 0x04, 0, '!'}, u"M\u0438\u0440!"},
        // Surrogate pairs are kept as stored: a non-BMP character survives.
        TextCase{"jet4 non-bmp", 4, 0, {0x3d, 0xd8, 0x00, 0xde}, u"\U0001F600"},
        TextCase{"jet4 odd byte dropped", 4, 0, {'x', 0, 'y'}, u"x"},
        TextCase{"jet3 cp1252", 3, 1252, {'a', 0x80, 0xe9, 0x9f}, u"a\u20ac\u00e9\u0178"},
        TextCase{"jet3 unknown code page reads as 1252", 3, 4242, {0x80}, u"\u20ac"},
        TextCase{"jet3 cp1251", 3, 1251, {0xcf, 0xf0, 0xe8}, u"\u041f\u0440\u0438"},
        TextCase{"jet3 cp1250", 3, 1250, {0x8a, 0xb9}, u"\u0160\u0105"},
        TextCase{"jet3 cp1253", 3, 1253, {0xe1, 0xe2}, u"\u03b1\u03b2"},
        TextCase{"jet3 cp932 double-byte", 3, 932, {0x93, 0xfa, 0x96, 0x7b, 'A'}, u"\u65e5\u672cA"},
        TextCase{"jet3 cp932 cut sequence", 3, 932, {'A', 0x93}, u"A\u0093"}));

TEST(SingleValues, BecomeTheDoubleOfTheirShortestDecimal) {
    struct Case {
        float in;
        double expected;
    };
    const Case cases[] = {
        {0.1f, 0.1},       {1.0f / 3.0f, 0.33333334}, {444.555f, 444.555},
        {-2.5f, -2.5},     {16777216.0f, 16777216.0}, {3.4028235e38f, 3.4028235e38},
        {1e-45f, 1e-45},   {0.0f, 0.0},
    };
    for (const Case& c : cases) EXPECT_EQ(jet::singleAsDouble(c.in), c.expected) << c.in;
    EXPECT_TRUE(std::isinf(jet::singleAsDouble(std::numeric_limits<float>::infinity())));
    EXPECT_TRUE(std::isnan(jet::singleAsDouble(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_TRUE(std::signbit(jet::singleAsDouble(-0.0f)));
}

TEST(SingleValues, DoNotDependOnTheLocale) {
    // A locale with a decimal comma must not turn 0.1 into 0. When none is
    // installed, make one with localedef in a scratch folder.
    // Made before the first setlocale call: glibc remembers a failed lookup.
    const support::TempDir scratch;
    // localedef exits nonzero on mere warnings; setlocale tells if it worked.
    support::run("localedef", {"-i", "it_IT", "-f", "UTF-8", scratch.file("it_IT.UTF-8")});
    ::setenv("LOCPATH", scratch.path().c_str(), 1);
    const char* set = std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
    const bool comma = set != nullptr && std::strtod("0.5", nullptr) == 0.0;
    const double got = jet::singleAsDouble(0.1f);
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    if (!comma) GTEST_SKIP() << "no locale with a decimal comma available";
    EXPECT_EQ(got, 0.1);
}

}  // namespace
