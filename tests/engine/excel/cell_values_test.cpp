// How engine values become cell contents, table-driven.

#include "cell_values.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace excel {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// Which dates a cell shows as a number, and how: decided on the day and time as
// rounded to the second, so the serial is that rounded value.
TEST(CellValues, DatesBecomeTimesDatesOrText) {
    using F = DateFormat;
    struct Case {
        double value;
        bool number;  // a cell number; otherwise text
        F format;
        double serial;
        const char* text;  // what engine::dateText gives for it
    };
    const Case cases[] = {
        // Day zero, midnight included: the time of day alone, below 1.
        {0, true, F::Time, 0, "1899-12-30"},
        {45015 / 86400.0, true, F::Time, 45015 / 86400.0, "12:30:15"},
        {-0.5, true, F::Time, 0.5, "12:00:00"},
        {86399.4 / 86400, true, F::Time, 86399 / 86400.0, "23:59:59"},
        // 23:59:59.5 rounds to the next midnight, a day before 1900-03-01: text.
        {86399.5 / 86400, false, F::Time, 0, "1899-12-31"},
        {-1.9999999, true, F::Time, 0, "1899-12-30"},
        {-1.25, false, F::Time, 0, "1899-12-29 06:00:00"},
        {1, false, F::Time, 0, "1899-12-31"},
        {60, false, F::Time, 0, "1900-02-28"},
        {60.75, false, F::Time, 0, "1900-02-28 18:00:00"},
        {60.99999999, true, F::Date, 61, "1900-03-01"},
        {61, true, F::Date, 61, "1900-03-01"},
        {45000.5, true, F::DateTime, 45000.5, "2023-03-15 12:00:00"},
        {45000 + 1 / 86400.0, true, F::DateTime, 45000 + 1 / 86400.0, "2023-03-15 00:00:01"},
        {45000.9999999, true, F::Date, 45001, "2023-03-16"},
        {2958465 + 86399 / 86400.0, true, F::DateTime, 2958465 + 86399 / 86400.0,
         "9999-12-31 23:59:59"},
        {2958465.99999999, false, F::Time, 0, "10000-01-01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto when = engine::splitDate(c.value);
        ASSERT_TRUE(when.has_value());
        const auto cell = dateCell(*when);
        EXPECT_EQ(narrow(std::u16string(engine::dateText(*when).view())), c.text);
        ASSERT_EQ(cell.has_value(), c.number);
        if (!cell) continue;
        EXPECT_EQ(cell->format, c.format);
        EXPECT_EQ(cell->serial, c.serial);
    }
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

}  // namespace
}  // namespace excel
