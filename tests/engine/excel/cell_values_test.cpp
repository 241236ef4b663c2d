// Conversions from engine values to cell contents, table-driven.

#include "cell_values.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace excel {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(CellValues, DatesBecomeSerialsOrIsoText) {
    struct Case {
        double days;
        bool serial;      // shown as a date cell
        bool time;        // with a time of day
        const char* iso;  // the text form
    };
    const Case cases[] = {
        {61, true, false, "1900-03-01"},  // first day the serials are right
        {60.75, false, true, "1900-02-28 18:00:00"},
        {2, false, false, "1900-01-01"},
        {1, false, false, "1899-12-31"},
        {0, false, false, "1899-12-30"},
        {-1.25, false, true, "1899-12-29 06:00:00"},  // days back, time forward
        {-657434, false, false, "0100-01-01"},
        {36526, true, false, "2000-01-01"},
        {45000.5, true, true, "2023-03-15 12:00:00"},
        {45000 + 1.0 / 86400, true, true, "2023-03-15 00:00:01"},
        {45000.9999999, true, false, "2023-03-16"},  // rounds to the next midnight
        {2958465.9999, true, true, "9999-12-31 23:59:51"},
        {2958466, false, false, "10000-01-01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iso);
        auto serial = dateSerial(c.days);
        EXPECT_EQ(serial.has_value(), c.serial);
        if (serial) {
            EXPECT_EQ(*serial, c.days);  // the value itself, unchanged
        }
        EXPECT_EQ(hasTimeOfDay(c.days), c.time);
        EXPECT_EQ(narrow(isoDateText(c.days)), c.iso);
    }
    EXPECT_FALSE(dateSerial(std::numeric_limits<double>::quiet_NaN()));
}

TEST(CellValues, GuidsInRegistryForm) {
    const std::string jet("\x78\x56\x34\x12\x34\x12\x78\x56\x9A\xBC\xDE\xF0\x01\x02\x03\x04", 16);
    EXPECT_EQ(narrow(guidText(jet)), "{12345678-1234-5678-9ABC-DEF001020304}");
    EXPECT_EQ(narrow(guidText(std::string("\x01\xff", 2))), "01FF");
    std::u16string reused(60, u'x');  // into a longer text: replaced, not appended
    guidText(jet, reused);
    EXPECT_EQ(narrow(reused), "{12345678-1234-5678-9ABC-DEF001020304}");
    guidText(std::string("\xab", 1), reused);
    EXPECT_EQ(narrow(reused), "AB");
}

// Column widths count what std::to_chars writes; whole numbers and short
// decimals are counted without it, so they are checked against it, around every
// switch between the plain and the exponent form.
TEST(CellValues, NumberCharsAsToCharsWrites) {
    auto toChars = [](double v) {
        char buf[64];
        return static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf);
    };
    std::vector<double> values = {
        0.0,      -0.0,       1,           -1,   0.5,       -1.25,  1.0 / 3,
        1e-7,     1e300,      -1e300,      1e15, 1e16,      -1e15,  999999999999999.0,
        4.9e-324, 1073741823, -1073741824, 1e9,  123000000, -120000};
    for (double p = 1; p < 1e16; p *= 10) {
        for (double m : {1.0, 2.0, 9.0, 10.0, 12.0, 99.0, 101.0, 1200.0, 123456.0}) {
            values.push_back(m * p);
            values.push_back(-m * p);
            values.push_back(m * p + 1);
        }
    }
    for (double v = -3000000; v <= 3000000; v += 7) values.push_back(v);
    // A few decimals, counted without formatting too, and values beside them.
    for (double scale : {10.0, 100.0, 1000.0, 10000.0, 100000.0, 1e6}) {
        for (double m = -200000; m <= 200000; m += 13) values.push_back(m / scale);
        for (double m : {1.0, 5.0, 10.0, 99.0, 12345.0, 99999999999999.0, 999999999999999.0}) {
            values.push_back(m / scale);
            values.push_back(std::nextafter(m / scale, 0.0));
        }
    }
    for (double v : {0.1 + 0.2, 1e11 - 0.5, 1e11 + 0.5, 99999999999.9999, 1.0 / 7, 2.0 / 3}) {
        values.push_back(v);
    }
    for (double v : values) EXPECT_EQ(numberChars(v), toChars(v)) << v;
}

TEST(CellValues, ExactNumbersRoundOnce) {
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    struct Case {
        std::int64_t currency;
        const char* decimal;
    };
    const Case currencies[] = {
        {12345, "1.2345"},
        {-1, "-0.0001"},
        {0, "0"},
        {big, "922337203685477.5807"},
        {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"},
    };
    for (const Case& c : currencies) {
        EXPECT_EQ(currencyToDouble(c.currency), std::strtod(c.decimal, nullptr)) << c.decimal;
    }

    engine::Decimal d;
    d.mantissa = static_cast<unsigned __int128>(1234567890123456789ULL) * 10000000000ULL + 12345678;
    d.scale = 10;
    d.negative = true;
    EXPECT_EQ(decimalToDouble(d), std::strtod("-1234567890123456789.0012345678", nullptr));
    engine::Decimal zero;
    EXPECT_EQ(decimalToDouble(zero), 0.0);

    // Every mantissa and scale, on both sides of the exact-division shortcut
    // (mantissa below 2^53, scale up to 22), rounds as reading its text does.
    const unsigned __int128 two53 = static_cast<unsigned __int128>(1) << 53;
    const unsigned __int128 mantissas[] = {1, 7, 12345, 999999999999999, two53 - 1, two53, two53 + 1,
                                           two53 * 1000 + 3, (static_cast<unsigned __int128>(1) << 96) - 1};
    for (unsigned __int128 m : mantissas) {
        for (std::uint8_t scale : {0, 1, 2, 4, 15, 22, 23, 28}) {
            for (bool negative : {false, true}) {
                engine::Decimal v;
                v.mantissa = m;
                v.scale = scale;
                v.negative = negative;
                std::string digits;
                for (unsigned __int128 r = m; r != 0; r /= 10) digits.insert(digits.begin(), char('0' + int(r % 10)));
                const std::string text = (negative ? "-" : "") + digits + "e-" + std::to_string(scale);
                EXPECT_EQ(decimalToDouble(v), std::strtod(text.c_str(), nullptr)) << text;
            }
        }
    }
    engine::Decimal negativeZero;
    negativeZero.negative = true;
    negativeZero.scale = 2;
    EXPECT_TRUE(std::signbit(decimalToDouble(negativeZero)));
}

TEST(CellValues, NonFiniteNumbersAsText) {
    EXPECT_EQ(narrow(nonFiniteText(std::numeric_limits<double>::quiet_NaN())), "NaN");
    EXPECT_EQ(narrow(nonFiniteText(-std::numeric_limits<double>::infinity())), "-Infinity");
    EXPECT_EQ(narrow(nonFiniteText(std::numeric_limits<double>::infinity())), "Infinity");
}

}  // namespace
}  // namespace excel
