// Conversions from engine values to cell contents, table-driven.

#include "cell_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

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
}

TEST(CellValues, NonFiniteNumbersAsText) {
    EXPECT_EQ(narrow(nonFiniteText(std::numeric_limits<double>::quiet_NaN())), "NaN");
    EXPECT_EQ(narrow(nonFiniteText(-std::numeric_limits<double>::infinity())), "-Infinity");
    EXPECT_EQ(narrow(nonFiniteText(std::numeric_limits<double>::infinity())), "Infinity");
}

}  // namespace
}  // namespace excel
