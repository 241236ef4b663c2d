// The description model: tables, columns and the checks made when a table is
// added, plus the text forms of dates, GUIDs and decimals.
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "mkmdb.h"
#include "mkmdb_internal.h"

namespace mkmdb {

namespace {

std::string describe(const std::string& table, const std::string& column, std::uint64_t row,
                     const std::string& message) {
    std::string where;
    if (!table.empty()) where += "table \"" + table + "\"";
    if (!column.empty()) where += (where.empty() ? "" : ", ") + std::string("column \"") + column + "\"";
    if (row != 0) where += (where.empty() ? "" : ", ") + std::string("row ") + std::to_string(row);
    return where.empty() ? message : where + ": " + message;
}

// Access refuses these in object names.
std::string nameProblem(const std::string& name) {
    std::u16string units;
    try {
        units = utf8ToUtf16(name);
    } catch (const std::invalid_argument& e) {
        return std::string("the name is not valid UTF-8 (") + e.what() + ")";
    }
    if (units.empty()) return "the name is empty";
    if (units.size() > kMaxNameLength)
        return "the name has " + std::to_string(units.size()) + " characters; at most 64 are allowed";
    if (units.front() == u' ') return "the name starts with a blank";
    for (char16_t c : units) {
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return "the name contains a character Access does not allow (control, . ! ` [ ])";
    }
    return {};
}

std::string foldAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

Error::Error(std::string table, std::string column, std::uint64_t row, const std::string& message)
    : std::runtime_error(describe(table, column, row, message)),
      table_(std::move(table)),
      column_(std::move(column)),
      row_(row) {}

void checkColumns(const std::string& table, const std::vector<Column>& columns) {
    if (columns.empty()) throw Error(table, {}, 0, "a table needs at least one column");
    if (columns.size() > kMaxColumns)
        throw Error(table, {}, 0,
                    "the table has " + std::to_string(columns.size()) + " columns; at most 255 are allowed");
    std::vector<std::string> seen;
    for (const Column& c : columns) {
        if (std::string p = nameProblem(c.name); !p.empty()) throw Error(table, c.name, 0, p);
        std::string folded = foldAscii(c.name);
        if (std::find(seen.begin(), seen.end(), folded) != seen.end())
            throw Error(table, c.name, 0, "two columns have this name");
        seen.push_back(folded);
        const ColumnOptions& o = c.options;
        switch (c.type) {
            case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long:
            case Type::Currency: case Type::Single: case Type::Double: case Type::Date:
            case Type::LongBinary: case Type::Memo: case Type::Guid:
            case Type::LargeNumber: case Type::DateTimeExtended:
                break;
            case Type::Text: case Type::Binary:
                if (o.size < 0 || o.size > 255)
                    throw Error(table, c.name, 0, "size " + std::to_string(o.size) + " is outside 1..255");
                break;
            case Type::Decimal:
                if (o.precision < 1 || o.precision > 28)
                    throw Error(table, c.name, 0, "precision " + std::to_string(o.precision) + " is outside 1..28");
                if (o.scale < 0 || o.scale > o.precision)
                    throw Error(table, c.name, 0,
                                "scale " + std::to_string(o.scale) + " is outside 0..precision");
                break;
            default:
                throw Error(table, c.name, 0,
                            "unknown field type " + std::to_string(static_cast<int>(c.type)));
        }
        if (o.autoNumber && c.type != Type::Long)
            throw Error(table, c.name, 0, "only Long columns can be AutoNumber");
    }
}

Table::Table(std::string name, std::vector<Column> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {}

Table& Table::addRow(Row row) {
    rows_.push_back(std::move(row));
    return *this;
}

Table& Table::generateRows(std::uint64_t count, RowGenerator fill) {
    if (count > 0 && !fill) throw Error(name_, {}, 0, "generateRows needs a row function");
    generatedCount_ = count;
    generator_ = std::move(fill);
    return *this;
}

Table& Database::addTable(std::string name, std::vector<Column> columns) {
    if (std::string p = nameProblem(name); !p.empty()) throw Error(name, {}, 0, p);
    std::string folded = foldAscii(name);
    if (folded.rfind("msys", 0) == 0)
        throw Error(name, {}, 0, "names starting with MSys are kept for system tables");
    for (const Table& t : tables_)
        if (foldAscii(t.name()) == folded) throw Error(name, {}, 0, "two tables have this name");
    checkColumns(name, columns);
    return tables_.emplace_back(std::move(name), std::move(columns));
}

void Database::setPassword(std::string password) {
    std::u16string units;
    try {
        units = utf8ToUtf16(password);
    } catch (const std::invalid_argument& e) {
        throw Error(std::string("the password is not valid UTF-8: ") + e.what());
    }
    if (units.size() > kHeaderPasswordChars)
        throw Error("the password has " + std::to_string(units.size()) + " characters; at most 20 are allowed");
    password_ = std::move(password);
}

double defaultCreationDate() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        long long v = 0;
        auto [p, ec] = std::from_chars(epoch, epoch + std::char_traits<char>::length(epoch), v);
        if (ec == std::errc() && *p == '\0') now = static_cast<std::time_t>(v);
    }
    // 25569 days lie between 1899-12-30 and 1970-01-01.
    return 25569.0 + static_cast<double>(now) / 86400.0;
}

namespace {

// glibc's iconv, one descriptor per thread. It refuses what is not UTF-8:
// overlong forms, surrogates, code points past U+10FFFF, cut sequences.
class Utf8Decoder {
public:
    Utf8Decoder()
        : cd_(::iconv_open(std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE", "UTF-8")) {
        if (cd_ == kFailed) throw std::runtime_error(std::string("iconv cannot decode UTF-8: ") + std::strerror(errno));
    }
    ~Utf8Decoder() { ::iconv_close(cd_); }
    Utf8Decoder(const Utf8Decoder&) = delete;
    Utf8Decoder& operator=(const Utf8Decoder&) = delete;

    std::u16string decode(std::string_view s) {
        // No UTF-8 byte makes more than one UTF-16 unit.
        std::u16string out(s.size(), u'\0');
        char* in = const_cast<char*>(s.data());
        std::size_t inLeft = s.size();
        char* to = reinterpret_cast<char*>(out.data());
        std::size_t toLeft = 2 * out.size();
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(cd_, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) {
            const std::string at = std::to_string(s.size() - inLeft);
            if (errno == EINVAL) throw std::invalid_argument("truncated UTF-8 sequence at byte " + at);
            throw std::invalid_argument("bad UTF-8 at byte " + at);
        }
        out.resize(out.size() - toLeft / 2);
        return out;
    }

private:
    static inline const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_;
};

}  // namespace

std::u16string utf8ToUtf16(std::string_view s) {
    // ASCII, most of what tests and benchmarks write, is the same units in both forms.
    if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::u16string(s.begin(), s.end());
    thread_local Utf8Decoder decoder;
    return decoder.decode(s);
}

namespace {

bool readInt(std::string_view& s, std::size_t digits, int& out) {
    if (s.size() < digits) return false;
    out = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        out = out * 10 + (s[i] - '0');
    }
    s.remove_prefix(digits);
    return true;
}

bool eat(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

}  // namespace

namespace {

// A date and time as written: "YYYY-MM-DD", then optionally a blank (or 'T')
// and "HH:MM:SS", then, where fractions are taken, '.' and 1 to 7 digits.
// Only the form is checked here.
struct WrittenTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::int32_t ticks = 0;  // the fraction in 100-ns units
};

WrittenTime readWrittenTime(std::string_view s, bool fraction) {
    const char* form = fraction ? "a date is written YYYY-MM-DD[ HH:MM:SS[.fffffff]]"
                                : "a date is written YYYY-MM-DD[ HH:MM:SS]";
    const char* timeForm = fraction ? "a time is written HH:MM:SS[.fffffff]" : "a time is written HH:MM:SS";
    WrittenTime t;
    if (!readInt(s, 4, t.year) || !eat(s, '-') || !readInt(s, 2, t.month) || !eat(s, '-') || !readInt(s, 2, t.day))
        throw std::invalid_argument(form);
    if (s.empty()) return t;
    if (!eat(s, ' ') && !eat(s, 'T')) throw std::invalid_argument(form);
    if (!readInt(s, 2, t.hour) || !eat(s, ':') || !readInt(s, 2, t.minute) || !eat(s, ':') ||
        !readInt(s, 2, t.second))
        throw std::invalid_argument(timeForm);
    if (fraction && eat(s, '.')) {
        std::size_t digits = 0;
        while (digits < s.size() && std::isdigit(static_cast<unsigned char>(s[digits]))) ++digits;
        if (digits < 1 || digits > 7 || digits != s.size())
            throw std::invalid_argument("a fraction of a second has 1 to 7 digits");
        for (std::size_t i = 0; i < 7; ++i) t.ticks = t.ticks * 10 + (i < digits ? s[i] - '0' : 0);
        s = {};
    }
    if (!s.empty()) throw std::invalid_argument(timeForm);
    return t;
}

bool isTimeOfDay(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

}  // namespace

DateTime parseDate(std::string_view text) {
    const WrittenTime t = readWrittenTime(text, false);
    using namespace std::chrono;
    const year_month_day date{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}};
    if (t.year < 100 || !date.ok()) throw std::invalid_argument("no such date (years 100..9999)");
    if (!isTimeOfDay(t.hour, t.minute, t.second)) throw std::invalid_argument("no such time of day");
    constexpr sys_days kJetDayZero = year{1899} / December / 30;
    const long long day = (sys_days{date} - kJetDayZero).count();
    double time = (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
    // Jet keeps the time as a positive fraction even before 1899-12-30.
    return DateTime{day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time};
}

DateTimeExtended parseDateTimeExtended(std::string_view text) {
    const WrittenTime t = readWrittenTime(text, true);
    DateTimeExtended d{t.year, t.month, t.day, t.hour, t.minute, t.second, t.ticks};
    dateTimeExtendedParts(d);  // throws for a date or time that does not exist
    return d;
}

DateTimeExtendedParts dateTimeExtendedParts(const DateTimeExtended& v) {
    using namespace std::chrono;
    if (v.year < 1 || v.year > 9999 || v.month < 1 || v.month > 12 || v.day < 1 || v.day > 31)
        throw std::invalid_argument("no such date (0001-01-01 to 9999-12-31)");
    const year_month_day date{year{v.year}, month{static_cast<unsigned>(v.month)}, day{static_cast<unsigned>(v.day)}};
    if (!date.ok()) throw std::invalid_argument("no such date (0001-01-01 to 9999-12-31)");
    if (!isTimeOfDay(v.hour, v.minute, v.second)) throw std::invalid_argument("no such time of day");
    if (v.ticks < 0 || v.ticks > 9'999'999)
        throw std::invalid_argument("the fraction of a second is 0..9999999 (100 ns each)");
    constexpr sys_days kDayOne = year{1} / January / 1;
    return {(sys_days{date} - kDayOne).count(), v.hour * 3600 + v.minute * 60 + v.second, v.ticks};
}

Guid parseGuid(std::string_view text) {
    std::string_view s = text;
    if (!s.empty() && s.front() == '{') {
        if (s.back() != '}') throw std::invalid_argument("unbalanced braces");
        s = s.substr(1, s.size() - 2);
    }
    std::uint8_t raw[16];
    int n = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '-') { ++i; continue; }
        if (i + 1 >= s.size() || n == 16) throw std::invalid_argument("a GUID has 32 hex digits");
        std::optional<std::uint8_t> byte = detail::hexByte(s.substr(i, 2));
        if (!byte) throw std::invalid_argument("a GUID has 32 hex digits");
        raw[n++] = *byte;
        i += 2;
    }
    if (n != 16) throw std::invalid_argument("a GUID has 32 hex digits");
    // The first three groups are stored little-endian, the rest as written.
    Guid g;
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) g.bytes[i] = raw[kOrder[i]];
    return g;
}

Decimal parseDecimal(std::string_view text) {
    std::string_view s = text;
    Decimal d;
    if (eat(s, '-')) d.negative = true;
    else eat(s, '+');
    bool any = false, point = false;
    int digits = 0;
    for (char c : s) {
        if (c == '.' && !point) { point = true; continue; }
        if (!std::isdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("not a decimal number");
        any = true;
        if (digits > 0 || c != '0') ++digits;
        if (digits > 28) throw std::invalid_argument("more than 28 significant digits");
        d.mantissa = d.mantissa * 10 + static_cast<unsigned>(c - '0');
        if (point) ++d.scale;
    }
    if (!any) throw std::invalid_argument("not a decimal number");
    if (d.scale > 28) throw std::invalid_argument("more than 28 digits after the point");
    if (d.mantissa == 0) d.negative = false;
    return d;
}

}  // namespace mkmdb
