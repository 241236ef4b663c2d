// Reading #date# literals.

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
    // Up to 4 digits; digit count in n (0 when none).
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

unsigned daysInMonth(long year, long month) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

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
    long long day = 0;
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
        if (year < 100 || year > 9999 || month < 1 || month > 12 || dom < 1 ||
            static_cast<unsigned long>(dom) > daysInMonth(year, month))
            return std::nullopt;
        day = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(dom));
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
    double fraction = seconds / 86400.0;
    // Before 1899-12-30 the time still counts forward from the day's start.
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

}  // namespace sql
