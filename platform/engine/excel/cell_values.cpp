#include "cell_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace excel {

std::optional<DateCell> dateCell(const engine::DateTime& when) {
    using std::chrono::seconds;
    using std::chrono::sys_days;
    constexpr sys_days kFirstTrueSerial{std::chrono::year{1900} / 3 / 1};
    const double serial = engine::dateValue(when.day, when.time);
    if (when.day == engine::kDayZero) return DateCell{serial, DateFormat::Time, 8};
    if (when.day < kFirstTrueSerial || when.day > engine::kLastJetDay) return std::nullopt;
    if (when.time == seconds{0}) return DateCell{serial, DateFormat::Date, 10};
    return DateCell{serial, DateFormat::DateTime, 19};
}

std::u16string nonFiniteText(double v) {
    if (std::isnan(v)) return u"NaN";
    return v < 0 ? u"-Infinity" : u"Infinity";
}

std::size_t decimalDigits(std::uint64_t v) {
    std::size_t n = 1;
    for (; v >= 10; v /= 10) ++n;
    return n;
}

namespace {

// What std::to_chars writes for the decimal digits / 10^scale (digits not 0):
// the shorter of its two forms, plain on a tie. Plain writes every significant
// digit, with "0." and leading zeros below one; the exponent form one digit, the
// rest after a point, and a two-digit exponent ("1.5e-05").
std::size_t shortestChars(bool negative, std::uint64_t digits, int scale) {
    for (; digits % 10 == 0; digits /= 10) --scale;
    const auto count = static_cast<int>(decimalDigits(digits));
    const int plain = scale <= 0 ? count - scale : count > scale ? count + 1 : scale + 2;
    const int exponent = (count == 1 ? 1 : count + 1) + 4;
    return (negative ? 1 : 0) + static_cast<std::size_t>(std::min(plain, exponent));
}

}  // namespace

std::size_t numberChars(double v) {
    // Most numbers in a table are whole or have a few decimals. When digits /
    // 10^scale (at most 15 digits) reads back as v itself, those digits are what
    // to_chars finds as well: no shorter decimal of at most 15 digits reads back
    // as the same double. Other numbers are formatted.
    static const double kPowers[] = {1, 10, 100, 1000, 10000};
    const double magnitude = std::fabs(v);
    if (v != 0 && magnitude < 1e11) {
        for (int scale = 0; scale <= 4; ++scale) {
            const double whole = std::nearbyint(magnitude * kPowers[scale]);
            if (whole / kPowers[scale] == magnitude) {
                return shortestChars(v < 0, static_cast<std::uint64_t>(whole), scale);
            }
        }
    } else if (v != 0 && magnitude < 1e15 && v == std::trunc(v)) {
        return shortestChars(v < 0, static_cast<std::uint64_t>(magnitude), 0);
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return static_cast<std::size_t>(r.ptr - buf);
}

}  // namespace excel
