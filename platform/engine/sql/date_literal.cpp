// Reading #date# literals.

#include <chrono>

#include "core/conversions.h"
#include "text_form_internal.h"

namespace sql {
namespace {

struct Reader {
    std::u16string_view s;
    std::size_t i = 0;

    void skipBlanks() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    }
    bool at(char16_t c) const { return i < s.size() && s[i] == c; }
    // Up to 5 digits, one more than any field holds, so that a field too long is
    // seen as such; digit count in n (0 when none).
    long number(int& n) {
        long v = 0;
        n = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 5) {
            v = v * 10 + (s[i++] - '0');
            ++n;
        }
        return v;
    }
    bool word(char16_t a, char16_t b) {
        if (i + 1 < s.size() && (s[i] | 0x20) == a && (s[i + 1] | 0x20) == b) {
            i += 2;
            return true;
        }
        return false;
    }
};

// h:nn[:ss] [AM|PM] from r, as seconds since midnight; -1 when malformed.
long readTime(Reader& r, long hour) {
    int n;
    long minute = 0, second = 0;
    bool colon = r.at(':');
    if (colon) {
        ++r.i;
        minute = r.number(n);
        if (n == 0 || n > 2) return -1;
        if (r.at(':')) {
            ++r.i;
            second = r.number(n);
            if (n == 0 || n > 2) return -1;
        }
    }
    r.skipBlanks();
    if (r.word('a', 'm') || r.word('p', 'm')) {
        bool pm = (r.s[r.i - 2] | 0x20) == 'p';
        if (hour < 1 || hour > 12) return -1;
        hour = hour % 12 + (pm ? 12 : 0);
    } else if (!colon) {
        return -1;  // a bare hour needs AM or PM
    }
    if (hour > 23 || minute > 59 || second > 59) return -1;
    return hour * 3600 + minute * 60 + second;
}

}  // namespace

std::optional<double> parseDateLiteral(std::u16string_view text) {
    Reader r{text};
    r.skipBlanks();
    int n1, n2, n3;
    long a = r.number(n1);
    if (n1 == 0) return std::nullopt;
    std::chrono::sys_days day = engine::kDayZero;
    long seconds = 0;
    if (r.at('-') || r.at('/')) {
        char16_t sep = r.s[r.i++];
        long b = r.number(n2);
        if (n2 == 0 || n2 > 2 || !r.at(sep)) return std::nullopt;
        ++r.i;
        long c = r.number(n3);
        if (n3 == 0) return std::nullopt;
        long year, month, dom;
        if (n1 >= 3) {
            if (n3 > 2) return std::nullopt;
            year = a, month = b, dom = c;
        } else {
            if (n3 != 2 && n3 != 4) return std::nullopt;
            month = a, dom = b, year = c;
            if (n3 == 2) year += year < 30 ? 2000 : 1900;
        }
        if (year < 100 || year > 9999) return std::nullopt;
        const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(year)},
                                               std::chrono::month{static_cast<unsigned>(month)},
                                               std::chrono::day{static_cast<unsigned>(dom)}};
        if (!date.ok()) return std::nullopt;
        day = date;
        r.skipBlanks();
        if (r.i < r.s.size()) {
            long hour = r.number(n1);
            if (n1 == 0 || n1 > 2) return std::nullopt;
            seconds = readTime(r, hour);
        }
    } else {
        if (n1 > 2 || !(r.at(':') || r.at(' '))) return std::nullopt;
        seconds = readTime(r, a);
    }
    r.skipBlanks();
    if (seconds < 0 || r.i != r.s.size()) return std::nullopt;
    return engine::dateValue(day, std::chrono::seconds{seconds});
}

}  // namespace sql
