#include "cell_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace excel {
namespace {

// Days of 1900-03-01 and 9999-12-31 23:59:59 counted from 1899-12-30.
constexpr double kFirstTrueSerial = 61.0;
constexpr double kLastSerial = 2958466.0;
constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

// Whole days and seconds of the day; the engine's form for negative dates keeps
// the time of day as a positive fraction after the (negative) day number.
void splitDate(double days, std::int64_t& day, std::int64_t& seconds) {
    double whole = std::trunc(days);
    day = static_cast<std::int64_t>(whole);
    seconds = std::llround(std::fabs(days - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        day += days < 0 ? -1 : 1;
    }
}

std::u16string ascii(const char* s) {
    std::u16string out;
    for (; *s; ++s) out.push_back(static_cast<char16_t>(*s));
    return out;
}

}  // namespace

std::optional<double> dateSerial(double days) {
    if (!(days >= kFirstTrueSerial) || !(days < kLastSerial)) return std::nullopt;
    return days;
}

bool hasTimeOfDay(double days) {
    std::int64_t day = 0;
    std::int64_t seconds = 0;
    splitDate(days, day, seconds);
    return seconds != 0;
}

std::u16string isoDateText(double days) {
    if (!std::isfinite(days)) return nonFiniteText(days);
    std::int64_t day = 0;
    std::int64_t seconds = 0;
    splitDate(days, day, seconds);
    // 1899-12-30 is 25569 days before 1970-01-01.
    CivilDate c = civilFromDays(day - 25569);
    char buf[64];
    if (seconds == 0) {
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(c.year), c.month,
                      c.day);
    } else {
        std::snprintf(
            buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
            static_cast<long long>(c.year), c.month, c.day, static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    }
    return ascii(buf);
}

void guidText(std::string_view bytes, std::u16string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    if (bytes.size() != 16) {
        out.clear();
        for (char c : bytes) {
            auto b = static_cast<unsigned char>(c);
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
        return;
    }
    // Data1, Data2, Data3 little-endian; Data4 in byte order. One GUID per row:
    // written into a fixed buffer rather than a character at a time.
    static const int kOrder[] = {3,  2, 1, 0,  -1, 5,  4,  -1, 7,  6,
                                 -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};
    char16_t text[38];
    char16_t* o = text;
    *o++ = u'{';
    for (int i : kOrder) {
        if (i < 0) {
            *o++ = u'-';
            continue;
        }
        auto b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        *o++ = static_cast<char16_t>(kHex[b >> 4]);
        *o++ = static_cast<char16_t>(kHex[b & 15]);
    }
    *o++ = u'}';
    out.assign(text, static_cast<std::size_t>(o - text));
}

std::u16string guidText(std::string_view bytes) {
    std::u16string out;
    guidText(bytes, out);
    return out;
}

double currencyToDouble(std::int64_t tenThousandths) {
    // Below 2^53 both operands are exact and the division rounds once.
    if (tenThousandths > -(std::int64_t{1} << 53) && tenThousandths < (std::int64_t{1} << 53)) {
        return static_cast<double>(tenThousandths) / 10000.0;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%llde-4", static_cast<long long>(tenThousandths));
    return std::strtod(buf, nullptr);
}

double decimalToDouble(const engine::Decimal& d) {
    // A mantissa below 2^53 and a power of ten up to 10^22 are both exact doubles,
    // so one division rounds correctly.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (d.mantissa < (static_cast<unsigned __int128>(1) << 53) && d.scale <= 22) {
        const double v = static_cast<double>(static_cast<std::uint64_t>(d.mantissa)) / kPowers[d.scale];
        return d.negative ? -v : v;
    }
    char digits[48];
    int n = 0;
    unsigned __int128 m = d.mantissa;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    char buf[64];
    int k = 0;
    if (d.negative) buf[k++] = '-';
    while (n > 0) buf[k++] = digits[--n];
    k += std::snprintf(buf + k, sizeof buf - k, "e-%u", static_cast<unsigned>(d.scale));
    return std::strtod(buf, nullptr);
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
