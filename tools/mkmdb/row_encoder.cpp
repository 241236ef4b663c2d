// Column layout of a table and the row format: column count, fixed columns,
// variable columns, their offset table and the null mask (Jet page notes,
// "Data Pages" and "Memo Field Definition"). Jet 3 keeps counts and offsets in
// one byte each, with a jump table for rows past 256 bytes.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "mkmdb_internal.h"

namespace mkmdb::detail {

namespace {

constexpr std::size_t kInlineLongValueMax = 256;  // longer Memo/OLE values leave the row
constexpr std::size_t kMemoCompressibleChars = 1024;
constexpr std::size_t kLongValueLimit = 0xFFFFFF;  // the length field readers take is 24 bits

struct TypeInfo {
    std::uint8_t jetType;
    bool fixed;
    std::uint16_t fixedSize;
};

TypeInfo typeInfo(Type t) {
    switch (t) {
        case Type::Boolean: return {0x01, true, 0};  // lives in the null mask
        case Type::Byte: return {0x02, true, 1};
        case Type::Integer: return {0x03, true, 2};
        case Type::Long: return {0x04, true, 4};
        case Type::Currency: return {0x05, true, 8};
        case Type::Single: return {0x06, true, 4};
        case Type::Double: return {0x07, true, 8};
        case Type::Date: return {0x08, true, 8};
        case Type::Binary: return {0x09, false, 0};
        case Type::Text: return {0x0A, false, 0};
        case Type::LongBinary: return {0x0B, false, 0};
        case Type::Memo: return {0x0C, false, 0};
        case Type::Guid: return {0x0F, true, 16};
        case Type::Decimal: return {jet::kColumnTypeNumeric, true, 17};
        case Type::LargeNumber: return {jet::kColumnTypeLargeNumber, true, 8};
        case Type::DateTimeExtended:
            return {jet::kColumnTypeDateTimeExtended, true, static_cast<std::uint16_t>(jet::kDateTimeExtendedSize)};
    }
    return {0, false, 0};
}

unsigned __int128 pow10(int n) {
    unsigned __int128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

}  // namespace

TableLayout layoutTable(const std::string& name, const std::vector<Column>& columns, bool system,
                        const jet::Format& format) {
    TableLayout t;
    t.name = name;
    t.system = system;
    std::uint16_t fixedOffset = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& src = columns[i];
        if (src.type == Type::Decimal && format.version == 3)
            throw Error(name, src.name, 0, "Jet 3 (Access 97) has no Decimal type");
        if (src.type == Type::LargeNumber && !format.largeNumber)
            throw Error(name, src.name, 0,
                        std::string("Large Number needs an Access 2016 or later database; this one is ") + format.name);
        if (src.type == Type::DateTimeExtended && !format.dateTimeExtended)
            throw Error(name, src.name, 0,
                        std::string("Date/Time Extended needs an Access 2019 database; this one is ") + format.name);
        ColumnLayout c;
        c.name = src.name;
        c.name16 = utf8ToUtf16(src.name);
        c.type = src.type;
        TypeInfo info = typeInfo(src.type);
        c.jetType = info.jetType;
        c.number = static_cast<std::uint16_t>(i);
        c.fixed = info.fixed;
        c.autoNumber = src.options.autoNumber;
        c.nullable = src.type != Type::Boolean;
        c.compressed = format.unicode && (src.type == Type::Text || src.type == Type::Memo) && src.options.compressed;
        c.precision = src.options.precision;
        c.scale = src.options.scale;
        if (c.fixed) {
            c.fixedOffset = fixedOffset;
            c.length = src.type == Type::Boolean ? 1 : info.fixedSize;
            fixedOffset = static_cast<std::uint16_t>(fixedOffset + info.fixedSize);
        } else {
            c.varIndex = t.varCount++;
            if (src.type == Type::Text) {
                c.maxChars = static_cast<std::uint16_t>(src.options.size == 0 ? 50 : src.options.size);
                c.length = static_cast<std::uint16_t>(format.unicode ? 2 * c.maxChars : c.maxChars);
            } else if (src.type == Type::Binary) {
                c.length = static_cast<std::uint16_t>(src.options.size == 0 ? 255 : src.options.size);
            } else {
                t.hasLongValues = true;
            }
        }
        t.columns.push_back(std::move(c));
    }
    t.fixedSize = fixedOffset;
    return t;
}

void encodeText(std::u16string_view text, bool allowCompression, std::string& out) {
    out.clear();
    // A zero low byte would read as the compressed form's mode switch.
    bool compressible = !text.empty() &&
                        std::none_of(text.begin(), text.end(), [](char16_t u) { return (u & 0xFF) == 0; });
    // Plain UTF-16 starting with U+FEFF would read as the marker, so such a
    // text is kept compressed whatever the column allows, even when longer.
    bool startsWithMarker = !text.empty() && text.front() == 0xFEFF;
    if (compressible && (allowCompression || startsWithMarker)) {
        out.push_back('\xFF');
        out.push_back('\xFE');
        bool narrow = true;
        for (char16_t u : text) {
            bool wantNarrow = u < 0x100;
            if (wantNarrow != narrow) {
                out.push_back('\0');
                narrow = wantNarrow;
            }
            out.push_back(static_cast<char>(u & 0xFF));
            if (!narrow) out.push_back(static_cast<char>(u >> 8));
        }
        if (out.size() < 2 * text.size() || startsWithMarker) return;
        out.clear();
    }
    if (startsWithMarker)
        throw std::invalid_argument("a text starting with U+FEFF can only be stored compressed");
    out.reserve(2 * text.size());
    for (char16_t u : text) append16(out, u);
}

void encodeCp1252(std::u16string_view text, std::string& out) {
    // Code page 1252's 0x80..0x9F; zero where the code page has no character.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    out.clear();
    out.reserve(text.size());
    for (char16_t u : text) {
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        const char16_t* hit = u >= 0x100 ? std::find(std::begin(kHigh), std::end(kHigh), u) : std::end(kHigh);
        if (hit == std::end(kHigh)) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(u));
            throw std::invalid_argument(std::string("character U+") + code +
                                        " has no place in code page 1252, which Jet 3 text uses");
        }
        out.push_back(static_cast<char>(0x80 + (hit - std::begin(kHigh))));
    }
}

RowEncoder::RowEncoder(const TableLayout& layout, LongValueStore& longValues, const jet::Format& format)
    : layout_(layout), longValues_(longValues), format_(format), longPayloads_(layout.columns.size()),
      longPlacement_(layout.columns.size()) {}

void RowEncoder::encodeString(const ColumnLayout& c, std::u16string_view text, bool allowCompression,
                              std::string& out) {
    try {
        if (format_.unicode) encodeText(text, allowCompression, out);
        else encodeCp1252(text, out);
    } catch (const std::invalid_argument& e) {
        fail(c, e.what());
    }
}

void RowEncoder::fail(const ColumnLayout& c, const std::string& message) const {
    throw Error(layout_.name, c.name, rowNumber_, message);
}

const std::u16string& RowEncoder::textOf(const ColumnLayout& c, const Value& v) {
    if (v.kind() == Value::Kind::Text16) return v.text16();
    if (v.kind() != Value::Kind::Text) fail(c, "expects text");
    try {
        text16_ = utf8ToUtf16(v.text());
    } catch (const std::invalid_argument& e) {
        fail(c, std::string("the text is not valid UTF-8 (") + e.what() + ")");
    }
    return text16_;
}

namespace {

// The conversions of one fixed-size value; each throws std::invalid_argument
// with what is wrong, which the encoder turns into an Error naming the column.

std::int64_t wholeNumber(const Value& v, std::int64_t lo, std::int64_t hi) {
    if (v.kind() != Value::Kind::Integer || v.integer() < lo || v.integer() > hi)
        throw std::invalid_argument("expects a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return v.integer();
}

double floating(const Value& v) {
    if (v.kind() == Value::Kind::Number) return v.number();
    if (v.kind() == Value::Kind::Integer) return static_cast<double>(v.integer());
    throw std::invalid_argument("expects a number");
}

// Parses v's text with parse, naming the text and what it should have been.
template <typename Parse>
auto fromText(const Value& v, const char* what, Parse parse) {
    try {
        return parse(v.text());
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument("\"" + v.text() + "\" is not " + what + ": " + e.what());
    }
}

std::int64_t currencyUnits(const Value& v) {
    if (v.kind() == Value::Kind::Currency) return v.integer();
    if (v.kind() == Value::Kind::Integer) {
        std::int64_t units = 0;
        if (__builtin_mul_overflow(v.integer(), std::int64_t{10000}, &units))
            throw std::invalid_argument("the amount is too large for Currency");
        return units;
    }
    if (v.kind() != Value::Kind::Text)
        throw std::invalid_argument("expects Currency, a whole number or an amount as text");
    Decimal d = fromText(v, "an amount", parseDecimal);
    if (d.scale > 4) throw std::invalid_argument("Currency keeps at most 4 digits after the point");
    unsigned __int128 m = d.mantissa * pow10(4 - d.scale);
    if (m > static_cast<unsigned __int128>(INT64_MAX) + (d.negative ? 1 : 0))
        throw std::invalid_argument("the amount is too large for Currency");
    return d.negative ? static_cast<std::int64_t>(-static_cast<__int128>(m)) : static_cast<std::int64_t>(m);
}

double dateDays(const Value& v) {
    if (v.kind() == Value::Kind::DateTime || v.kind() == Value::Kind::Number) return v.number();
    if (v.kind() != Value::Kind::Text) throw std::invalid_argument("expects a date");
    return fromText(v, "a date", parseDate).days;
}

Guid guidOf(const Value& v) {
    if (v.kind() == Value::Kind::Guid) return v.guid();
    if (v.kind() != Value::Kind::Text) throw std::invalid_argument("expects a GUID");
    return fromText(v, "a GUID", parseGuid);
}

std::int64_t largeNumberOf(const Value& v) {
    if (v.kind() == Value::Kind::Integer) return v.integer();
    if (v.kind() != Value::Kind::Text) throw std::invalid_argument("expects a whole number or its digits as text");
    const std::string& s = v.text();
    std::int64_t n = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (error == std::errc::result_out_of_range)
        throw std::invalid_argument("\"" + s + "\" is outside -9223372036854775808..9223372036854775807");
    if (error != std::errc() || end != s.data() + s.size())
        throw std::invalid_argument("\"" + s + "\" is not a whole number");
    return n;
}

// 19 digits of days since 0001-01-01, ':', 12 digits of seconds since
// midnight, 7 digits of 100-ns units, then ":7" and a NUL (see jet_format.h).
void putDateTimeExtended(const Value& v, std::uint8_t* at) {
    DateTimeExtended d;
    if (v.kind() == Value::Kind::DateTimeExtended) d = v.dateTimeExtended();
    else if (v.kind() == Value::Kind::Text) d = fromText(v, "a date", parseDateTimeExtended);
    else throw std::invalid_argument("expects a Date/Time Extended value or its text");
    const DateTimeExtendedParts parts = dateTimeExtendedParts(d);
    auto digits = [&at](std::int64_t n, std::size_t count) {
        for (std::size_t i = count; i-- > 0; n /= 10) at[i] = static_cast<std::uint8_t>('0' + n % 10);
        at += count;
    };
    digits(parts.days, jet::kDateTimeExtendedDayDigits);
    *at++ = ':';
    digits(parts.seconds, jet::kDateTimeExtendedSecondDigits);
    digits(parts.ticks, jet::kDateTimeExtendedTickDigits);
    *at++ = ':';
    *at++ = '7';
    *at = 0;
}

Decimal decimalOf(const Value& v) {
    if (v.kind() == Value::Kind::Decimal) return v.decimal();
    if (v.kind() == Value::Kind::Integer) {
        Decimal d;
        d.negative = v.integer() < 0;
        d.mantissa = d.negative ? static_cast<unsigned __int128>(-static_cast<__int128>(v.integer()))
                                : static_cast<unsigned __int128>(v.integer());
        return d;
    }
    if (v.kind() != Value::Kind::Text)
        throw std::invalid_argument("expects a Decimal, a whole number or a decimal number as text");
    return fromText(v, "a decimal number", parseDecimal);
}

// A sign byte, then the mantissa at the column's scale as four 32-bit words,
// most significant first, each little-endian.
void putDecimal(const ColumnLayout& c, Decimal d, std::uint8_t* at) {
    while (d.scale > c.scale && d.mantissa % 10 == 0) {
        d.mantissa /= 10;
        --d.scale;
    }
    if (d.scale > c.scale)
        throw std::invalid_argument("the column keeps " + std::to_string(c.scale) + " digits after the point");
    if (d.scale < 0 || d.mantissa >= pow10(28)) throw std::invalid_argument("not a valid Decimal");
    d.mantissa *= pow10(c.scale - d.scale);
    if (d.mantissa >= pow10(c.precision))
        throw std::invalid_argument("the number has more than " + std::to_string(c.precision) + " digits");
    at[0] = (d.negative && d.mantissa != 0) ? 0x80 : 0x00;
    for (int w = 0; w < 4; ++w) put32(at + 1 + 4 * w, static_cast<std::uint32_t>(d.mantissa >> (32 * (3 - w))));
}

// A value that is not Null into its place in the fixed area.
void putFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at) {
    switch (c.type) {
        case Type::Byte: *at = static_cast<std::uint8_t>(wholeNumber(v, 0, 255)); break;
        case Type::Integer: put16(at, static_cast<std::uint16_t>(wholeNumber(v, INT16_MIN, INT16_MAX))); break;
        case Type::Long: put32(at, static_cast<std::uint32_t>(wholeNumber(v, INT32_MIN, INT32_MAX))); break;
        case Type::Currency: put64(at, static_cast<std::uint64_t>(currencyUnits(v))); break;
        case Type::Single: {
            double d = floating(v);
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX)
                throw std::invalid_argument("the number is too large for Single");
            float f = static_cast<float>(d);
            std::memcpy(at, &f, 4);
            break;
        }
        case Type::Double: {
            double d = floating(v);
            std::memcpy(at, &d, 8);
            break;
        }
        case Type::Date: {
            double d = dateDays(v);
            std::memcpy(at, &d, 8);
            break;
        }
        case Type::Guid: std::memcpy(at, guidOf(v).bytes.data(), 16); break;
        case Type::Decimal: putDecimal(c, decimalOf(v), at); break;
        case Type::LargeNumber: put64(at, static_cast<std::uint64_t>(largeNumberOf(v))); break;
        case Type::DateTimeExtended: putDateTimeExtended(v, at); break;
        default: throw std::invalid_argument("internal: not a fixed column");
    }
}

}  // namespace

void RowEncoder::encodeFixed(const ColumnLayout& c, const Value& v, std::uint8_t* at, std::uint8_t* nullMask) {
    auto setPresent = [&] { nullMask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8)); };
    if (c.type == Type::Boolean) {
        if (v.isNull()) fail(c, "a Boolean column cannot hold Null in a Jet database");
        if (v.kind() != Value::Kind::Boolean) fail(c, "expects true or false");
        if (v.boolean()) setPresent();
        return;
    }
    if (v.isNull()) {
        if (!c.autoNumber) return;
        if (nextAutoNumber_ > INT32_MAX) fail(c, "the AutoNumber passed 2147483647");
        put32(at, static_cast<std::uint32_t>(nextAutoNumber_++));
        setPresent();
        return;
    }
    try {
        putFixed(c, v, at);
    } catch (const std::invalid_argument& e) {
        fail(c, e.what());
    }
    // A number given to an AutoNumber column moves the next one past it.
    if (c.autoNumber && v.integer() >= nextAutoNumber_) nextAutoNumber_ = v.integer() + 1;
    setPresent();
}

void RowEncoder::encodeVariable(const ColumnLayout& c, const Value& v, std::string& out) {
    using K = Value::Kind;
    out.clear();
    switch (c.type) {
        case Type::Text: {
            const std::u16string& t = textOf(c, v);
            if (t.size() > c.maxChars)
                fail(c, "the text has " + std::to_string(t.size()) + " characters; the column holds " +
                            std::to_string(c.maxChars));
            encodeString(c, t, c.compressed, out);
            break;
        }
        case Type::Memo: {
            const std::u16string& t = textOf(c, v);
            encodeString(c, t, c.compressed && t.size() <= kMemoCompressibleChars, out);
            break;
        }
        case Type::Binary:
        case Type::LongBinary:
            if (v.kind() != K::Bytes) fail(c, "expects bytes");
            if (c.type == Type::Binary && v.text().size() > c.length)
                fail(c, "the value has " + std::to_string(v.text().size()) + " bytes; the column holds " +
                            std::to_string(c.length));
            out = v.text();
            break;
        default:
            fail(c, "internal: not a variable column");
    }
    if (out.size() > kLongValueLimit) fail(c, "values are limited to 16 MiB");
}

// After the variable data: the end of data and the offsets last to first,
// then the count. Jet 3's one-byte offsets count from the last 256-byte
// boundary passed; the jump table lists, per boundary, the first offset entry
// past it, and its size follows the whole row's length, so it may hold one
// unused 0xFF entry.
void RowEncoder::appendTrailer(std::string& out, const std::uint16_t* offsets) {
    const std::size_t n = layout_.varCount;
    const auto end = static_cast<std::uint16_t>(out.size());
    if (format_.rowCountSize == 2) {
        append16(out, end);
        for (std::size_t k = n; k-- > 0;) append16(out, offsets[k]);
        append16(out, static_cast<std::uint32_t>(n));
        return;
    }
    const std::size_t maskSize = (layout_.columns.size() + 7) / 8;
    std::size_t jumps = 0;
    for (;;) {
        std::size_t length = out.size() + n + 1 + jumps + 1 + maskSize;
        std::size_t needed = (length - 1) / 256;
        if (needed == jumps) break;
        jumps = needed;
    }
    auto entry = [&](std::size_t k) { return k == n ? end : offsets[k]; };
    out.push_back(static_cast<char>(end & 0xFF));
    for (std::size_t k = n; k-- > 0;) out.push_back(static_cast<char>(offsets[k] & 0xFF));
    // Jump entry j (nearest the count first) names the first entry at or past (j + 1) * 256.
    std::string table;
    for (std::size_t j = 0; j < jumps; ++j) {
        std::size_t first = n + 1;
        for (std::size_t k = 0; k <= n; ++k)
            if (entry(k) >= (j + 1) * 256) {
                first = k;
                break;
            }
        table.push_back(first <= n ? static_cast<char>(first) : '\xFF');
    }
    out.append(table.rbegin(), table.rend());
    out.push_back(static_cast<char>(n));
}

namespace {

bool isLong(const ColumnLayout& c) { return c.type == Type::Memo || c.type == Type::LongBinary; }

// Jet 3 adds a jump byte per 256 bytes of row.
std::size_t withJumps(std::size_t bytes, std::size_t countSize) {
    if (countSize == 2) return bytes;
    std::size_t jumps = 0;
    while ((bytes + jumps - 1) / 256 != jumps) jumps = (bytes + jumps - 1) / 256;
    return bytes + jumps;
}

}  // namespace

void RowEncoder::encode(const Row& row, std::uint64_t rowNumber, std::string& out) {
    rowNumber_ = rowNumber;
    const std::size_t n = layout_.columns.size();
    if (row.size() != n)
        throw Error(layout_.name, {}, rowNumber,
                    "the row has " + std::to_string(row.size()) + " values; the table has " + std::to_string(n) +
                        " columns");
    std::uint8_t nullMask[32] = {};
    const std::size_t countSize = format_.rowCountSize;
    out.assign(countSize + layout_.fixedSize, '\0');
    auto* base = reinterpret_cast<std::uint8_t*>(out.data());
    if (countSize == 2) put16(base, static_cast<std::uint16_t>(n));
    else base[0] = static_cast<std::uint8_t>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ColumnLayout& c = layout_.columns[i];
        if (c.fixed) encodeFixed(c, row[i], base + countSize + c.fixedOffset, nullMask);
    }
    if (layout_.varCount > 0) {
        // Variable values are encoded first, so long values can leave the row
        // when keeping them inline would overflow it.
        std::size_t size = encodeVariables(row, out.size(), nullMask);
        placeLongValues(row, size);
        appendVariables(row, out);
    }
    out.append(reinterpret_cast<const char*>(nullMask), (n + 7) / 8);
    if (out.size() > format_.maxRowSize()) failRowSize(out.size());
}

std::size_t RowEncoder::encodeVariables(const Row& row, std::size_t fixedEnd, std::uint8_t* nullMask) {
    const std::size_t n = layout_.columns.size();
    std::size_t size = fixedEnd + format_.rowCountSize * (layout_.varCount + 2) + (n + 7) / 8;
    for (std::size_t i = 0; i < n; ++i) {
        const ColumnLayout& c = layout_.columns[i];
        if (c.fixed || row[i].isNull()) continue;
        encodeVariable(c, row[i], longPayloads_[i]);
        nullMask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
        if (isLong(c)) {
            longPlacement_[i] = longPayloads_[i].size() <= kInlineLongValueMax ? kInline : kOutside;
            size += jet::kLongValueHeader + (longPlacement_[i] == kInline ? longPayloads_[i].size() : 0);
        } else {
            size += longPayloads_[i].size();
        }
    }
    return size;
}

// Moves the largest inline long values out of the row until it fits.
void RowEncoder::placeLongValues(const Row& row, std::size_t size) {
    const std::size_t n = layout_.columns.size();
    while (withJumps(size, format_.rowCountSize) > format_.maxRowSize()) {
        std::size_t largest = n;
        for (std::size_t i = 0; i < n; ++i) {
            if (isLong(layout_.columns[i]) && !row[i].isNull() && longPlacement_[i] == kInline &&
                !longPayloads_[i].empty() &&
                (largest == n || longPayloads_[i].size() > longPayloads_[largest].size()))
                largest = i;
        }
        if (largest == n) failRowSize(withJumps(size, format_.rowCountSize));
        longPlacement_[largest] = kOutside;
        size -= longPayloads_[largest].size();
    }
}

void RowEncoder::appendVariables(const Row& row, std::string& out) {
    std::uint16_t offsets[kMaxColumns + 1];
    for (std::size_t i = 0; i < layout_.columns.size(); ++i) {
        const ColumnLayout& c = layout_.columns[i];
        if (c.fixed) continue;
        offsets[c.varIndex] = static_cast<std::uint16_t>(out.size());
        if (row[i].isNull()) continue;
        if (isLong(c)) appendLongValue(longPayloads_[i], longPlacement_[i], out);
        else out += longPayloads_[i];
    }
    appendTrailer(out, offsets);
}

// The 12-byte field of a Memo or OLE value (length and flags, row pointer,
// unused), followed by the value itself when it stays in the row.
void RowEncoder::appendLongValue(const std::string& payload, std::uint8_t placement, std::string& out) {
    auto length = static_cast<std::uint32_t>(payload.size());
    if (placement == kInline) {
        append32(out, length | jet::kLongValueInline);
        append32(out, 0);
        append32(out, 0);
        out += payload;
        ++longValueCounts[0];
    } else if (payload.size() <= format_.maxRowSize()) {
        append32(out, length | jet::kLongValueSinglePage);
        append32(out, longValues_.storeSinglePage(payload));
        append32(out, 0);
        ++longValueCounts[1];
    } else {
        append32(out, length);
        append32(out, longValues_.storeChain(payload));
        append32(out, 0);
        ++longValueCounts[2];
    }
}

void RowEncoder::failRowSize(std::size_t bytes) const {
    throw Error(layout_.name, {}, rowNumber_,
                "the row needs " + std::to_string(bytes) + " bytes; a Jet " + std::to_string(format_.version) +
                    " row holds at most " + std::to_string(format_.maxRowSize()));
}

}  // namespace mkmdb::detail
