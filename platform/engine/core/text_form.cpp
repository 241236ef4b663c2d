#include "core/text_form.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/conversions.h"
#include "core/text_units.h"

namespace engine {
namespace {

using u128 = unsigned __int128;

void appendUnsigned(TextBuffer& out, u128 v, int minDigits = 1) {
    char digits[40];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    while (n < minDigits) digits[n++] = '0';
    while (n > 0) out.push(static_cast<char16_t>(digits[--n]));
}

// magnitude / 10^scale with the fraction's trailing zeros dropped.
void appendScaled(TextBuffer& out, bool negative, u128 magnitude, unsigned scale) {
    u128 pow = 1;
    for (unsigned k = 0; k < scale; ++k) pow *= 10;
    u128 whole = magnitude / pow, frac = magnitude % pow;
    if (negative && magnitude != 0) out.push(u'-');
    appendUnsigned(out, whole);
    if (frac == 0) return;
    while (frac % 10 == 0) {
        frac /= 10;
        --scale;
    }
    out.push(u'.');
    appendUnsigned(out, frac, static_cast<int>(scale));
}

// Shortest round-trip digits, plain for 1E-5 <= |x| < 1E15, else d.dddE+XX.
void appendDouble(TextBuffer& out, double x) {
    if (std::isnan(x)) return out.append("NaN");
    if (std::isinf(x)) return out.append(x < 0 ? "-Infinity" : "Infinity");
    if (x == 0) return out.push(u'0');
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    std::size_t e = s.find('e');
    int exponent = std::atoi(std::string(s.substr(e + 1)).c_str());
    char digits[24];
    int n = 0;
    for (char c : s.substr(0, e))
        if (c != '.') digits[n++] = c;
    if (negative) out.push(u'-');
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out.append("0.");
            for (int k = -1; k > exponent; --k) out.push(u'0');
            for (int k = 0; k < n; ++k) out.push(static_cast<char16_t>(digits[k]));
        } else {
            for (int k = 0; k <= exponent; ++k)
                out.push(static_cast<char16_t>(k < n ? digits[k] : '0'));
            if (n > exponent + 1) {
                out.push(u'.');
                for (int k = exponent + 1; k < n; ++k) out.push(static_cast<char16_t>(digits[k]));
            }
        }
        return;
    }
    out.push(static_cast<char16_t>(digits[0]));
    if (n > 1) {
        out.push(u'.');
        for (int k = 1; k < n; ++k) out.push(static_cast<char16_t>(digits[k]));
    }
    out.push(u'E');
    out.push(exponent < 0 ? u'-' : u'+');
    appendUnsigned(out, static_cast<u128>(std::abs(exponent)), 2);
}

void appendDate(TextBuffer& out, double d) {
    if (const auto when = splitDate(d)) return out.append(dateText(*when).view());
    appendDouble(out, d);  // no day Jet keeps: the number
}

}  // namespace

std::u16string_view textFormOf(const Value& v, TextBuffer& out, std::u16string& large) {
    out.size = 0;
    switch (v.type) {
        case Type::Text:
        case Type::Memo:
        case Type::Attachment:
        case Type::ComplexByte:
        case Type::ComplexInteger:
        case Type::ComplexLong:
        case Type::ComplexSingle:
        case Type::ComplexDouble:
        case Type::ComplexGuid:
        case Type::ComplexDecimal:
        case Type::ComplexText:
            return v.text;
        case Type::Boolean:
            out.append(v.boolean ? "True" : "False");
            break;
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
        case Type::BigInt:
            appendScaled(out, v.integer < 0,
                         v.integer < 0 ? u128(0) - u128(v.integer) : u128(v.integer), 0);
            break;
        case Type::Currency:
            appendScaled(out, v.integer < 0,
                         v.integer < 0 ? u128(0) - u128(v.integer) : u128(v.integer), 4);
            break;
        case Type::Decimal:
            appendScaled(out, v.decimal.negative, v.decimal.mantissa,
                         v.decimal.scale > 38 ? 38 : v.decimal.scale);
            break;
        case Type::Single:
        case Type::Double:
            appendDouble(out, v.number);
            break;
        case Type::Date:
            appendDate(out, v.number);
            break;
        case Type::DateTimeExtended:
            out.append(extDateText(splitExtDate(v.integer)).view());
            break;
        case Type::Guid:
            out.append(guidText(v.bytes).view());
            break;
        case Type::Binary:
        case Type::LongBinary:
            // As the dialect turns bytes into text: pairs of bytes are UTF-16LE units;
            // an odd last byte is dropped.
            large.resize(v.bytes.size() / 2);
            unitsFromLe(reinterpret_cast<const std::uint8_t*>(v.bytes.data()), large.size(),
                        large.data());
            return large;
        case Type::Null:
            break;
    }
    return out.view();
}

}  // namespace engine
