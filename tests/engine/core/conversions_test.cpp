// The conversions shared by the filter and the workbook: Jet dates, GUIDs, exact
// numbers.
#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

using namespace std::chrono;
using engine::DateTime;

std::string narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

std::string full(const DateTime& when) {
    const year_month_day date{when.day};
    const hh_mm_ss time{when.time};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<long>(time.hours().count()),
                  static_cast<long>(time.minutes().count()), static_cast<long>(time.seconds().count()));
    return text;
}

// A time of day as Jet stores it: the nearest double to a fraction of a day.
constexpr double at(double seconds) { return seconds / 86400; }

// Rounding is to the nearest second, half a second up, like any other date: a time
// of 23:59:59.5 or later is the next day's midnight, and a value below zero carries
// forward too, because its fraction is a time of day counted forward from the
// start of its day.
TEST(JetDate, SplitsIntoDayAndTimeOfDay) {
    struct Case {
        double value;
        const char* full;  // day and time, always both
        const char* text;  // as Jet shows it
    };
    const Case cases[] = {
        // Day zero: a time of day alone, midnight included.
        {0, "1899-12-30 00:00:00", "1899-12-30"},
        {-0.0, "1899-12-30 00:00:00", "1899-12-30"},
        {at(45015), "1899-12-30 12:30:15", "12:30:15"},
        {0.75, "1899-12-30 18:00:00", "18:00:00"},
        {at(1), "1899-12-30 00:00:01", "00:00:01"},
        {at(86399), "1899-12-30 23:59:59", "23:59:59"},
        {at(86399.4), "1899-12-30 23:59:59", "23:59:59"},
        {at(86399.5), "1899-12-31 00:00:00", "1899-12-31"},  // rounds into the next day
        {at(0.4), "1899-12-30 00:00:00", "1899-12-30"},
        {at(0.5), "1899-12-30 00:00:01", "00:00:01"},
        // Below zero: whole days back, the fraction's magnitude forward.
        {-0.5, "1899-12-30 12:00:00", "12:00:00"},
        {-0.75, "1899-12-30 18:00:00", "18:00:00"},
        {-0.9999999, "1899-12-31 00:00:00", "1899-12-31"},
        {-1, "1899-12-29 00:00:00", "1899-12-29"},
        {-1.25, "1899-12-29 06:00:00", "1899-12-29 06:00:00"},
        {-1.9999999, "1899-12-30 00:00:00", "1899-12-30"},  // 1899-12-29 23:59:59.99
        {-2.0000001, "1899-12-28 00:00:00", "1899-12-28"},
        {-2.9999999, "1899-12-29 00:00:00", "1899-12-29"},
        // Above zero the carry goes the same way.
        {0.9999999, "1899-12-31 00:00:00", "1899-12-31"},
        {1, "1899-12-31 00:00:00", "1899-12-31"},
        {1.9999999, "1900-01-01 00:00:00", "1900-01-01"},
        {2.0000001, "1900-01-01 00:00:00", "1900-01-01"},
        {60, "1900-02-28 00:00:00", "1900-02-28"},
        {60.75, "1900-02-28 18:00:00", "1900-02-28 18:00:00"},
        {61, "1900-03-01 00:00:00", "1900-03-01"},
        {45352.5, "2024-03-01 12:00:00", "2024-03-01 12:00:00"},
        {45351 + at(47109), "2024-02-29 13:05:09", "2024-02-29 13:05:09"},
        // Both ends of Jet's range.
        {-657434, "0100-01-01 00:00:00", "0100-01-01"},
        {-657434.5, "0100-01-01 12:00:00", "0100-01-01 12:00:00"},
        {2958465, "9999-12-31 00:00:00", "9999-12-31"},
        {2958465 + at(86399), "9999-12-31 23:59:59", "9999-12-31 23:59:59"},
        {2958465.99999999, "10000-01-01 00:00:00", "10000-01-01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.full);
        const auto when = engine::splitDate(c.value);
        ASSERT_TRUE(when.has_value());
        EXPECT_EQ(full(*when), c.full);
        EXPECT_EQ(narrow(engine::dateText(*when).view()), c.text);
    }
}

TEST(JetDate, NothingOutsideJetsDays) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {-657434.0 - 1, -657435.5, 2958466.0, 2958466.5, 1e300, -1e300, inf, -inf,
                         std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(engine::splitDate(value).has_value()) << value;
    }
}

TEST(JetDate, ValuesOfDaysAndTimesSplitBack) {
    EXPECT_EQ(engine::dateValue(engine::kDayZero, seconds{0}), 0.0);
    EXPECT_EQ(engine::dateValue(sys_days{year{1899} / 12 / 29}, hours{6}), -1.25);
    EXPECT_EQ(engine::dateValue(engine::kDayZero, hours{12}), 0.5);
    EXPECT_EQ(engine::dateValue(sys_days{year{2024} / 3 / 1}, seconds{0}), 45352.0);
    for (sys_days day = engine::kFirstJetDay; day <= engine::kLastJetDay; day += days{97}) {
        for (seconds time : {seconds{0}, seconds{1}, seconds{43200}, seconds{86399}}) {
            const auto when = engine::splitDate(engine::dateValue(day, time));
            ASSERT_TRUE(when.has_value());
            ASSERT_EQ(when->day, day);
            ASSERT_EQ(when->time, time);
        }
    }
}

TEST(GuidText, RegistryFormFromJetsBytes) {
    const std::string jet("\x78\x56\x34\x12\x34\x12\x78\x56\x9A\xBC\xDE\xF0\x01\x02\x03\xFF", 16);
    EXPECT_EQ(narrow(engine::guidText(jet).view()), "{12345678-1234-5678-9ABC-DEF0010203FF}");
    EXPECT_EQ(narrow(engine::guidText(std::string(16, '\0')).view()),
              "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(narrow(engine::guidText(jet.substr(0, 15)).view()), "");
    EXPECT_EQ(narrow(engine::guidText(jet + "x").view()), "");
}

TEST(ExactNumbers, RoundOnceToTheNearestDouble) {
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
        EXPECT_EQ(engine::currencyToDouble(c.currency), std::strtod(c.decimal, nullptr))
            << c.decimal;
    }
    EXPECT_FALSE(std::signbit(engine::currencyToDouble(0)));

    engine::Decimal d;
    d.mantissa = static_cast<unsigned __int128>(1234567890123456789ULL) * 10000000000ULL + 12345678;
    d.scale = 10;
    d.negative = true;
    EXPECT_EQ(engine::decimalToDouble(d), std::strtod("-1234567890123456789.0012345678", nullptr));
    EXPECT_EQ(engine::decimalToDouble(engine::Decimal{}), 0.0);

    // Every mantissa and scale, on both sides of the exact-division shortcut
    // (mantissa below 2^53, scale up to 22), rounds as reading its text does.
    const unsigned __int128 two53 = static_cast<unsigned __int128>(1) << 53;
    const unsigned __int128 mantissas[] = {1,         7,         12345, 999999999999999,
                                           two53 - 1, two53,     two53 + 1, two53 * 1000 + 3,
                                           (static_cast<unsigned __int128>(1) << 96) - 1};
    for (unsigned __int128 m : mantissas) {
        for (std::uint8_t scale : {0, 1, 2, 4, 15, 22, 23, 28}) {
            for (bool negative : {false, true}) {
                const engine::Decimal v{m, scale, negative};
                std::string digits;
                for (unsigned __int128 r = m; r != 0; r /= 10)
                    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(r % 10)));
                const std::string text =
                    (negative ? "-" : "") + digits + "e-" + std::to_string(scale);
                EXPECT_EQ(engine::decimalToDouble(v), std::strtod(text.c_str(), nullptr)) << text;
            }
        }
    }
    const engine::Decimal negativeZero{0, 2, true};
    EXPECT_TRUE(std::signbit(engine::decimalToDouble(negativeZero)));
}

}  // namespace
