// Text forms of values (what LIKE sees) and #date# literals.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/conversions.h"
#include "sql/sql.h"
#include "sql/text_form_internal.h"
#include "sql_test_util.h"

namespace {

using engine::Type;
using engine::Value;
using sql_test::utf8;

Value integer(Type t, std::int64_t i) {
    Value v;
    v.type = t;
    v.integer = i;
    return v;
}
Value number(Type t, double d) {
    Value v;
    v.type = t;
    v.number = d;
    return v;
}
Value decimal(unsigned __int128 mantissa, std::uint8_t scale, bool negative) {
    Value v;
    v.type = Type::Decimal;
    v.decimal = {mantissa, scale, negative};
    return v;
}
double day(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return engine::dateValue(sys_days{year{y} / m / d}, seconds{0});
}

struct FormCase {
    Value value;
    const char* text;
};

TEST(SqlTextForm, ValuesTable) {
    Value yes, no, guid, blob, memo;
    yes.type = no.type = Type::Boolean;
    yes.boolean = true;
    guid.type = Type::Guid;
    guid.bytes =
        std::string("\x78\x56\x34\x12\x34\x12\xCD\xAB\x01\x02\x03\x04\x05\x06\x07\xFF", 16);
    blob.type = Type::Binary;
    blob.bytes = std::string("a\0b\0\xAC\x20z", 7);  // UTF-16LE, odd last byte
    memo.type = Type::Memo;
    memo.text = u"città";
    const FormCase cases[] = {
        {integer(Type::Byte, 255), "255"},
        {integer(Type::Integer, -32768), "-32768"},
        {integer(Type::Long, 0), "0"},
        {integer(Type::Long, 2147483647), "2147483647"},
        {integer(Type::Currency, 125000), "12.5"},
        {integer(Type::Currency, 30000), "3"},
        {integer(Type::Currency, -2500), "-0.25"},
        {integer(Type::Currency, 1), "0.0001"},
        {integer(Type::Currency, std::numeric_limits<std::int64_t>::min()),
         "-922337203685477.5808"},
        {decimal(150, 2, false), "1.5"},
        {decimal(150, 2, true), "-1.5"},
        {decimal(0, 3, true), "0"},
        {decimal(5, 28, false), "0.0000000000000000000000000005"},
        {decimal(static_cast<unsigned __int128>(9999999999999999999ull) * 1000000000u + 999999999u,
                 0, false),
         "9999999999999999999999999999"},
        {number(Type::Double, 1.1), "1.1"},
        {number(Type::Double, 0.1 + 0.2), "0.30000000000000004"},
        {number(Type::Double, -2.0), "-2"},
        {number(Type::Double, 0.0), "0"},
        {number(Type::Double, -0.0), "0"},
        {number(Type::Double, 100000), "100000"},
        {number(Type::Double, 123456789012345.0), "123456789012345"},
        {number(Type::Double, 1e15), "1E+15"},
        {number(Type::Double, 1.5e20), "1.5E+20"},
        {number(Type::Double, 0.00001), "0.00001"},
        {number(Type::Double, 0.000001), "1E-06"},
        {number(Type::Double, -2.5e-300), "-2.5E-300"},
        {number(Type::Double, std::nan("")), "NaN"},
        {number(Type::Single, 0.1), "0.1"},
        {number(Type::Single, 3.4028234663852886e38), "3.4028234663852886E+38"},
        {number(Type::Date, day(2024, 3, 1)), "2024-03-01"},
        {number(Type::Date, day(2024, 3, 1) + 0.5), "2024-03-01 12:00:00"},
        {number(Type::Date, day(2024, 2, 29) + (13 * 3600 + 5 * 60 + 9) / 86400.0),
         "2024-02-29 13:05:09"},
        {number(Type::Date, day(2024, 3, 1) + 0.99999999), "2024-03-02"},  // rounds to the second
        {number(Type::Date, 0), "1899-12-30"},
        {number(Type::Date, 0.75), "18:00:00"},
        {number(Type::Date, -1.25), "1899-12-29 06:00:00"},
        {number(Type::Date, -0.5), "12:00:00"},  // day zero below zero too
        {number(Type::Date, 86399.5 / 86400), "1899-12-31"},
        {number(Type::Date, -1.9999999), "1899-12-30"},  // the time carries forward
        {number(Type::Date, day(100, 1, 1)), "0100-01-01"},
        {number(Type::Date, day(9999, 12, 31)), "9999-12-31"},
        {number(Type::Date, 1e9), "1000000000"},  // beyond the calendar: the number
        {number(Type::Date, day(9999, 12, 31) + 1), "2958466"},
        {number(Type::Date, day(100, 1, 1) - 1), "-657435"},
        {yes, "True"},
        {no, "False"},
        {guid, "{12345678-1234-ABCD-0102-0304050607FF}"},
        {blob, "ab€"},
        {Value(), ""},
        {memo, "città"},
    };
    for (const FormCase& c : cases) EXPECT_EQ(utf8(sql::textForm(c.value)), c.text);
}

struct DateCase {
    std::u16string_view text;
    double expected;  // NaN: refused
};

TEST(SqlTextForm, DateLiterals) {
    const double kNo = std::nan("");
    const double d = day(2024, 3, 1);
    const DateCase cases[] = {
        {u"2024-03-01", d},
        {u"2024/3/1", d},
        {u"03/01/2024", d},  // month first
        {u"3/1/24", d},
        {u"1/2/30", day(1930, 1, 2)},
        {u"1/2/29", day(2029, 1, 2)},
        {u" 2024-03-01 ", d},
        {u"2024-03-01 12:00", d + 0.5},
        {u"2024-03-01 06:00:00", d + 0.25},
        {u"03/01/2024 6:00 PM", d + 0.75},
        {u"03/01/2024 12:00 am", d},
        {u"2024-03-01 12 PM", d + 0.5},
        {u"18:00", 0.75},
        {u"6 pm", 0.75},
        {u"1899-12-29 06:00", -1.25},
        {u"2024-02-29", day(2024, 2, 29)},
        {u"2023-02-29", kNo},
        {u"2024-13-01", kNo},
        {u"2024-00-10", kNo},
        {u"13/01/2024", kNo},
        {u"0099-01-01", kNo},
        {u"2024-03-01 24:00", kNo},
        {u"2024-03-01 10:60", kNo},
        {u"2024-03-01 13:00 PM", kNo},
        {u"2024-03-01 10", kNo},
        {u"2024-03-01x", kNo},
        {u"2024-03/01", kNo},
        {u"5", kNo},
        {u"", kNo},
        {u"March 1, 2024", kNo},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(utf8(c.text));
        std::optional<double> got = sql::parseDateLiteral(c.text);
        if (std::isnan(c.expected)) {
            EXPECT_FALSE(got.has_value());
        } else {
            ASSERT_TRUE(got.has_value());
            EXPECT_DOUBLE_EQ(*got, c.expected);
        }
    }
}

}  // namespace
