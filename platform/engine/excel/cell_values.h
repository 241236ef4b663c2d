#pragma once
// How engine values become cell contents: dates as serial numbers or ISO text,
// GUIDs as braced text, exact numbers as the nearest double.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/value.h"

namespace excel {

// The Excel 1900-system serial of an engine date (days since 1899-12-30), or
// nothing when a cell could not show it as a date: before 1900-03-01 (Excel's
// serials 1..60 are off by one there, because the format counts a 29 February 1900
// that never was), after 9999-12-31, or not a number.
std::optional<double> dateSerial(double days);

// Whether the date carries a time of day other than midnight, to the second.
bool hasTimeOfDay(double days);

// "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss" when there is a time of day; the time is
// rounded to the nearest second. Engine dates before 1899-12-30 count whole days
// back and the fraction forward (-1.25 is 1899-12-29 06:00).
std::u16string isoDateText(double days);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in upper case, from the 16 bytes as Jet
// stores them (first three groups little-endian). Other lengths give hex text.
std::u16string guidText(std::string_view bytes);
// The same into `out`, whose capacity is kept.
void guidText(std::string_view bytes, std::u16string& out);

// Nearest double to the exact value (correctly rounded).
double currencyToDouble(std::int64_t tenThousandths);
double decimalToDouble(const engine::Decimal& d);

// How many decimal digits v has (1 for 0).
std::size_t decimalDigits(std::uint64_t v);

// How many characters std::to_chars writes for v (its shortest form, plain or
// with an exponent): the basis of a column's width.
std::size_t numberChars(double v);

// Text for numbers a cell cannot hold (NaN and infinities).
std::u16string nonFiniteText(double v);

}  // namespace excel
