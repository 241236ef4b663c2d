#pragma once
// The conversions of values that the filter's text forms and the workbook's cells
// share: a Jet date or a Date/Time Extended value to calendar day and time of day
// and its text, a GUID's text, an exact number's nearest double. Each is made here
// and nowhere else, so that a value reads the same in a WHERE clause and in a cell.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/value.h"

namespace engine {

// A text of at most 38 characters held in place: texts made for every row of a
// table cost no allocation.
struct ShortText {
    std::array<char16_t, 38> units{};
    std::size_t size = 0;

    void push(char16_t c) { units[size++] = c; }
    std::u16string_view view() const { return {units.data(), size}; }
};

// A Jet date is a double counting days from 1899-12-30, day zero. Its whole part
// counts days, back from day zero below zero; the magnitude of its fraction is the
// time of day, forward from midnight on both sides of zero: -1.25 is 1899-12-29
// 06:00 and -0.5 is 1899-12-30 12:00.
inline constexpr std::chrono::sys_days kDayZero{std::chrono::year{1899} / 12 / 30};

// The days Jet keeps: 100-01-01 to 9999-12-31.
inline constexpr std::chrono::sys_days kFirstJetDay{std::chrono::year{100} / 1 / 1};
inline constexpr std::chrono::sys_days kLastJetDay{std::chrono::year{9999} / 12 / 31};

struct DateTime {
    std::chrono::sys_days day;
    std::chrono::seconds time;  // since midnight, below 24 hours
};

// The day and time of day of a Jet date, the time rounded to the nearest second
// (half a second up). A time that rounds to 24:00:00 is midnight of the next day,
// on either side of zero: 23:59:59.5 on day zero is 1899-12-31 00:00:00, and
// -1.9999999 (1899-12-29 23:59:59.99) is 1899-12-30 00:00:00. Nothing when the
// value is not a number or its whole days lie outside kFirstJetDay..kLastJetDay.
std::optional<DateTime> splitDate(double value);

// The Jet date of a day and a time of day: splitDate(dateValue(d, t)) gives d, t.
double dateValue(std::chrono::sys_days day, std::chrono::seconds time);

// As Jet shows a date: "yyyy-mm-dd", with " hh:mm:ss" after it when the time is
// not midnight, and a time of day on day zero alone as "hh:mm:ss". Years past
// 9999, reached only by rounding, take five digits.
ShortText dateText(const DateTime& when);

// Date/Time Extended (Access 2019) counts 100 ns ticks from 0001-01-01 00:00:00
// to 9999-12-31 23:59:59.9999999.
inline constexpr std::chrono::sys_days kFirstExtDay{std::chrono::year{1} / 1 / 1};
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
inline constexpr std::int64_t kLastExtTick =
    ((kLastJetDay - kFirstExtDay).count() + 1) * kTicksPerDay - 1;

struct ExtDateTime {
    DateTime when;            // the day and the whole seconds of its time
    std::int32_t fraction;    // ticks past the second: 0 to 9,999,999
};

// The day, second and fraction of a tick count; counts outside 0..kLastExtTick
// (which the reader never gives) are taken as the nearest end.
ExtDateTime splitExtDate(std::int64_t ticks);

// The tick count of a day, second and fraction: splitExtDate's inverse.
std::int64_t extTicks(std::chrono::sys_days day, std::chrono::seconds time, std::int32_t fraction);

// As dateText() shows the day and second, then, when the fraction is not zero, a
// point and its seven digits, as Access shows them: "2021-06-14 22:45:12.3456789",
// "2021-06-14 00:00:00.0000001", "12:45:00.0000500" and "00:00:00.5000000" for a
// time alone on 1899-12-30, "0001-01-01".
ShortText extDateText(const ExtDateTime& when);

// Orders a Date/Time Extended value against a Jet date (or any number read as
// one), in time order: the Jet date's day and time of day as splitDate() reads
// them, its time taken to the nearest millisecond, the accuracy of a Date/Time
// (its double only comes near most times: 01:45 lies a fraction of a microsecond
// off, and still equals 01:45:00.0000000). -1, 0 or 1 as ticks comes before, at
// or after it; 2 when jetDate is NaN.
int compareExtDate(std::int64_t ticks, double jetDate);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in upper case, from the 16 bytes as Jet
// stores them (the first three groups little-endian); empty for any other length.
ShortText guidText(std::string_view bytes);

// The double nearest to the exact value (correctly rounded, as reading its
// decimal text would give).
double decimalToDouble(const Decimal& d);
double currencyToDouble(std::int64_t tenThousandths);

}  // namespace engine
