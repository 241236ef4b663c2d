#include "core/conversions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace engine {
namespace {

using std::chrono::days;
using std::chrono::seconds;
using std::chrono::sys_days;

constexpr double kSecondsPerDay = 86400;
constexpr double kFirstDayNumber = (kFirstJetDay - kDayZero).count();
constexpr double kLastDayNumber = (kLastJetDay - kDayZero).count();

void pushDigits(ShortText& out, unsigned value, int width) {
    char16_t digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n < width) digits[n++] = u'0';
    while (n > 0) out.push(digits[--n]);
}

}  // namespace

std::optional<DateTime> splitDate(double value) {
    const double whole = std::trunc(value);
    if (!(whole >= kFirstDayNumber && whole <= kLastDayNumber)) return std::nullopt;
    DateTime when{kDayZero + days{static_cast<int>(whole)},
                  seconds{std::llround(std::fabs(value - whole) * kSecondsPerDay)}};
    if (when.time == days{1}) {
        when.day += days{1};
        when.time = seconds{0};
    }
    return when;
}

double dateValue(sys_days day, seconds time) {
    const auto number = static_cast<double>((day - kDayZero).count());
    const double fraction = static_cast<double>(time.count()) / kSecondsPerDay;
    return number < 0 ? number - fraction : number + fraction;
}

ShortText dateText(const DateTime& when) {
    ShortText out;
    if (when.day != kDayZero || when.time == seconds{0}) {
        const std::chrono::year_month_day date{when.day};
        pushDigits(out, static_cast<unsigned>(static_cast<int>(date.year())), 4);
        out.push(u'-');
        pushDigits(out, static_cast<unsigned>(date.month()), 2);
        out.push(u'-');
        pushDigits(out, static_cast<unsigned>(date.day()), 2);
        if (when.time == seconds{0}) return out;
        out.push(u' ');
    }
    const std::chrono::hh_mm_ss time{when.time};
    pushDigits(out, static_cast<unsigned>(time.hours().count()), 2);
    out.push(u':');
    pushDigits(out, static_cast<unsigned>(time.minutes().count()), 2);
    out.push(u':');
    pushDigits(out, static_cast<unsigned>(time.seconds().count()), 2);
    return out;
}

ExtDateTime splitExtDate(std::int64_t ticks) {
    ticks = ticks < 0 ? 0 : ticks > kLastExtTick ? kLastExtTick : ticks;
    const std::int64_t inDay = ticks % kTicksPerDay;
    return {{kFirstExtDay + days{ticks / kTicksPerDay}, seconds{inDay / kTicksPerSecond}},
            static_cast<std::int32_t>(inDay % kTicksPerSecond)};
}

std::int64_t extTicks(sys_days day, seconds time, std::int32_t fraction) {
    return (day - kFirstExtDay).count() * kTicksPerDay + time.count() * kTicksPerSecond + fraction;
}

ShortText extDateText(const ExtDateTime& when) {
    ShortText out = dateText(when.when);
    if (when.fraction == 0) return out;
    if (when.when.time == seconds{0}) {
        // dateText left out the time of midnight, which the fraction needs: a
        // time alone on day zero, else after the day.
        if (when.when.day == kDayZero) out.size = 0;
        else out.push(u' ');
        for (const char16_t c : std::u16string_view(u"00:00:00")) out.push(c);
    }
    out.push(u'.');
    pushDigits(out, static_cast<unsigned>(when.fraction), 7);
    return out;
}

int compareExtDate(std::int64_t ticks, double jetDate) {
    if (std::isnan(jetDate)) return 2;
    constexpr std::int64_t kDayZeroIndex = (kDayZero - kFirstExtDay).count();
    constexpr double kDays = static_cast<double>(kLastExtTick / kTicksPerDay + 1);
    constexpr double kMillisecondsPerDay = 86'400'000;
    const double whole = std::trunc(jetDate);
    // Far outside the range, the day alone decides (and keeps the ticks below in range).
    if (whole + kDayZeroIndex < -1) return 1;
    if (whole + kDayZeroIndex > kDays) return -1;
    // A time that rounds to 24:00 is the next day's midnight, as splitDate() has it.
    const auto ms = std::llround(std::fabs(jetDate - whole) * kMillisecondsPerDay);
    const std::int64_t other =
        (static_cast<std::int64_t>(whole) + kDayZeroIndex) * kTicksPerDay + ms * (kTicksPerSecond / 1000);
    return ticks < other ? -1 : ticks > other ? 1 : 0;
}

ShortText guidText(std::string_view bytes) {
    ShortText out;
    if (bytes.size() != 16) return out;
    static const char kHex[] = "0123456789ABCDEF";
    // Data1, Data2 and Data3 little-endian, Data4 in byte order; -1 is a hyphen.
    static const int kOrder[] = {3,  2, 1, 0,  -1, 5,  4,  -1, 7,  6,
                                 -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};
    out.push(u'{');
    for (int i : kOrder) {
        if (i < 0) {
            out.push(u'-');
            continue;
        }
        const auto b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        out.push(static_cast<char16_t>(kHex[b >> 4]));
        out.push(static_cast<char16_t>(kHex[b & 15]));
    }
    out.push(u'}');
    return out;
}

double decimalToDouble(const Decimal& d) {
    // A mantissa below 2^53 and a power of ten up to 10^22 are both exact doubles,
    // so one division rounds correctly. Other values go through their decimal
    // text, which strtod rounds correctly.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (d.mantissa < (static_cast<unsigned __int128>(1) << 53) && d.scale <= 22) {
        const double v =
            static_cast<double>(static_cast<std::uint64_t>(d.mantissa)) / kPowers[d.scale];
        return d.negative ? -v : v;
    }
    char digits[40];
    int n = 0;
    unsigned __int128 m = d.mantissa;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    char text[64];
    int k = 0;
    if (d.negative) text[k++] = '-';
    while (n > 0) text[k++] = digits[--n];
    std::snprintf(text + k, sizeof text - static_cast<std::size_t>(k), "e-%u",
                  static_cast<unsigned>(d.scale));
    return std::strtod(text, nullptr);
}

double currencyToDouble(std::int64_t tenThousandths) {
    const bool negative = tenThousandths < 0;
    const auto wide = static_cast<unsigned __int128>(tenThousandths);  // modulo 2^128
    return decimalToDouble(Decimal{negative ? -wide : wide, 4, negative});
}

}  // namespace engine
