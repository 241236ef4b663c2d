#pragma once
// How engine values become cell contents: dates as serial numbers, the width of
// numbers, text for numbers no cell holds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/conversions.h"

namespace excel {

// How a cell shows a Jet date as a number: the serial, the number format and the
// characters that format shows.
enum class DateFormat { Time, Date, DateTime };
struct DateCell {
    double serial;
    DateFormat format;
    std::size_t chars;
};

// A time of day on day zero (1899-12-30, midnight included) as the fraction of a
// day under `hh:mm:ss`; a day from 1900-03-01 to 9999-12-31 as its Excel
// 1900-system serial under `yyyy-mm-dd`, or `yyyy-mm-dd hh:mm:ss` when the time is
// not midnight. The serial holds the day and time rounded to the second, as
// splitDate() gives them, so no reader's own rounding shows another second or
// day. Other days have no cell
// number and go as text (engine::dateText): before 1900-03-01 Excel's serials are
// a day off, because the format counts a 29 February 1900 that never was, and
// readers disagree on them; 10000-01-01 is reached only by rounding.
std::optional<DateCell> dateCell(const engine::DateTime& when);

// How many decimal digits v has (1 for 0).
std::size_t decimalDigits(std::uint64_t v);

// How many characters std::to_chars writes for v (its shortest form, plain or
// with an exponent): the basis of a column's width.
std::size_t numberChars(double v);

// Text for numbers a cell cannot hold (NaN and infinities).
std::u16string nonFiniteText(double v);

}  // namespace excel
