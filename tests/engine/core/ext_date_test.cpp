// Date/Time Extended values: ticks to day, second and fraction and back, their
// text, and their order against Jet dates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/conversions.h"

namespace {

using namespace std::chrono;
using engine::kTicksPerDay;
using engine::kTicksPerSecond;

std::string narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

constexpr sys_days kFirst{year{1} / 1 / 1};
constexpr sys_days kLast{year{9999} / 12 / 31};

std::int64_t at(sys_days day, long secondsOfDay = 0, std::int32_t fraction = 0) {
    return engine::extTicks(day, seconds{secondsOfDay}, fraction);
}

std::string text(std::int64_t ticks) {
    return narrow(engine::extDateText(engine::splitExtDate(ticks)).view());
}

TEST(ExtDate, TicksSplitAndJoinAtBothEndsAndPast) {
    struct Case {
        const char* what;
        std::int64_t ticks;
        sys_days day;
        long second;
        std::int32_t fraction;
    };
    const Case cases[] = {
        {"the first tick", 0, kFirst, 0, 0},
        {"one tick in", 1, kFirst, 0, 1},
        {"the first day's last tick", kTicksPerDay - 1, kFirst, 86399, 9999999},
        {"the second day", kTicksPerDay, kFirst + days{1}, 0, 0},
        {"the last day", engine::kLastExtTick - kTicksPerDay + 1, kLast, 0, 0},
        {"the last tick", engine::kLastExtTick, kLast, 86399, 9999999},
        {"day zero", at(engine::kDayZero), engine::kDayZero, 0, 0},
        {"1900-03-01, a tick before noon", at(sys_days{year{1900} / 3 / 1}, 43199, 9999999),
         sys_days{year{1900} / 3 / 1}, 43199, 9999999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const engine::ExtDateTime e = engine::splitExtDate(c.ticks);
        EXPECT_EQ(e.when.day, c.day);
        EXPECT_EQ(e.when.time, seconds{c.second});
        EXPECT_EQ(e.fraction, c.fraction);
        EXPECT_EQ(engine::extTicks(e.when.day, e.when.time, e.fraction), c.ticks);
    }
    // Past either end (which the reader never gives): the nearest end.
    EXPECT_EQ(text(-1), "0001-01-01");
    EXPECT_EQ(text(std::numeric_limits<std::int64_t>::min()), "0001-01-01");
    EXPECT_EQ(text(engine::kLastExtTick + 1), "9999-12-31 23:59:59.9999999");
    EXPECT_EQ(text(std::numeric_limits<std::int64_t>::max()), "9999-12-31 23:59:59.9999999");
    EXPECT_EQ(engine::kLastExtTick, (kLast - kFirst + days{1}).count() * kTicksPerDay - 1);
}

TEST(ExtDate, TextShowsTheFractionOnlyWhenThere) {
    const sys_days day{year{2021} / 6 / 14};
    struct Case {
        std::int64_t ticks;
        const char* text;
    };
    const Case cases[] = {
        {0, "0001-01-01"},
        {1, "0001-01-01 00:00:00.0000001"},
        {engine::kLastExtTick, "9999-12-31 23:59:59.9999999"},
        {at(kLast, 86399), "9999-12-31 23:59:59"},
        {at(day), "2021-06-14"},
        {at(day, 81912, 3456789), "2021-06-14 22:45:12.3456789"},
        {at(day, 0, 1), "2021-06-14 00:00:00.0000001"},
        // One to seven digits of a fraction: always seven shown, as Access shows them.
        {at(day, 1, 1000000), "2021-06-14 00:00:01.1000000"},
        {at(day, 1, 1200000), "2021-06-14 00:00:01.1200000"},
        {at(day, 1, 1230000), "2021-06-14 00:00:01.1230000"},
        {at(day, 1, 1234000), "2021-06-14 00:00:01.1234000"},
        {at(day, 1, 1234500), "2021-06-14 00:00:01.1234500"},
        {at(day, 1, 1234560), "2021-06-14 00:00:01.1234560"},
        {at(day, 1, 1234567), "2021-06-14 00:00:01.1234567"},
        {at(day, 1, 10), "2021-06-14 00:00:01.0000010"},
        // Around day zero: a time alone on it, the date elsewhere.
        {at(engine::kDayZero), "1899-12-30"},
        {at(engine::kDayZero, 0, 1), "00:00:00.0000001"},
        {at(engine::kDayZero, 45900), "12:45:00"},
        {at(engine::kDayZero, 45900, 5000000), "12:45:00.5000000"},
        {at(engine::kDayZero) - 1, "1899-12-29 23:59:59.9999999"},
        {at(engine::kDayZero) + kTicksPerDay, "1899-12-31"},
        // Around the first day Excel's serials count right.
        {at(sys_days{year{1900} / 3 / 1}) - 1, "1900-02-28 23:59:59.9999999"},
        {at(sys_days{year{1900} / 3 / 1}), "1900-03-01"},
        {at(sys_days{year{100} / 6 / 14}, 45900, 1234567), "0100-06-14 12:45:00.1234567"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(c.ticks), c.text) << c.ticks;
}

// A Date/Time is taken to the millisecond, its accuracy: its double lies near the
// time it stands for, not on it.
TEST(ExtDate, OrdersAgainstJetDatesToTheMillisecond) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::int64_t zero = at(engine::kDayZero);
    const std::int64_t noon = at(engine::kDayZero, 43200);
    struct Case {
        const char* what;
        std::int64_t ticks;
        double jet;
        int order;
    };
    const Case cases[] = {
        {"day zero's midnight, 0", zero, 0.0, 0},
        {"day zero's midnight, -0", zero, -0.0, 0},
        {"a tick past midnight", zero + 1, 0.0, 1},
        {"a tick before midnight", zero - 1, 0.0, -1},
        {"noon and 0.5", noon, 0.5, 0},
        {"a tick past noon", noon + 1, 0.5, 1},
        {"a tick before noon", noon - 1, 0.5, -1},
        // Below zero the fraction counts forward from the start of the day.
        {"1899-12-29 06:00 and -1.25", at(engine::kDayZero - days{1}, 21600), -1.25, 0},
        {"1899-12-29 00:00 and -1.25", at(engine::kDayZero - days{1}), -1.25, -1},
        {"1899-12-29 06:00:00.0000001 and -1.25", at(engine::kDayZero - days{1}, 21600, 1), -1.25,
         1},
        {"1899-12-28 23:00 and -1.25", at(engine::kDayZero - days{2}, 82800), -1.25, -1},
        // The doubles nearest 08:00 and 01:45 lie below and above them.
        {"08:00 and the double of 1/3", at(engine::kDayZero, 28800), 1.0 / 3.0, 0},
        {"a tick past 08:00 and the double of 1/3", at(engine::kDayZero, 28800) + 1, 1.0 / 3.0, 1},
        {"a tick before 08:00 and the double of 1/3", at(engine::kDayZero, 28800) - 1, 1.0 / 3.0,
         -1},
        {"2021-06-14 01:45 and its double", at(sys_days{year{2021} / 6 / 14}, 6300),
         44361 + 6300 / 86400.0, 0},
        {"01:45:00.001 and its double", at(sys_days{year{2021} / 6 / 14}, 6300, 10000),
         44361 + 6300.001 / 86400.0, 0},
        {"01:45:00.0009999 and 01:45:00.001", at(sys_days{year{2021} / 6 / 14}, 6300, 9999),
         44361 + 6300.001 / 86400.0, -1},
        // Fractions below half a millisecond are midnight.
        {"midnight and 1e-30", zero, 1e-30, 0},
        {"a tick past midnight and 1e-30", zero + 1, 1e-30, 1},
        {"a tick past midnight and half a tick", zero + 1, 0.5 / 864e9, 1},
        {"the smallest double above zero", zero, std::numeric_limits<double>::denorm_min(), 0},
        {"the day's last tick and the largest double below one", zero + kTicksPerDay - 1,
         std::nextafter(1.0, 0.0), -1},
        {"the next midnight and the largest double below one", zero + kTicksPerDay,
         std::nextafter(1.0, 0.0), 0},
        // Days far apart, ends of the range, numbers no date has.
        {"the first tick and Jet's first day", 0, -657434.0, -1},
        {"the last tick and 9999-12-31", engine::kLastExtTick, 2958465.0, 1},
        {"the last tick and the day after", engine::kLastExtTick, 2958466.0, -1},
        {"anything and +infinity", noon, inf, -1},
        {"anything and -infinity", noon, -inf, 1},
        {"anything and 1e300", zero, 1e300, -1},
        {"anything and -1e300", zero, -1e300, 1},
        {"the first tick and the day before it", 0, -693594.0, 1},
        {"the first tick and 0001-01-01", 0, -693593.0, 0},
        {"anything and NaN", noon, nan, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engine::compareExtDate(c.ticks, c.jet), c.order) << c.what;
}

}  // namespace
