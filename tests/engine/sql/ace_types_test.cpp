// The types of Access 2007-2019 in WHERE clauses and text forms: Large Number
// compared exactly, Date/Time Extended in time order to the tick, the joined
// values of attachments and multi-valued fields as text; Null on either side of
// every comparison.

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "core/conversions.h"
#include "core/error_codes.h"
#include "sql/sql.h"
#include "sql_test_util.h"

namespace {

using namespace std::chrono;
using engine::Type;
using engine::Value;
using sql_test::errorOf;
using sql_test::utf8;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

const std::vector<engine::Column> kColumns = {
    {u"Big", Type::BigInt},
    {u"Big2", Type::BigInt},
    {u"Ext", Type::DateTimeExtended},
    {u"Ext2", Type::DateTimeExtended},
    {u"When", Type::Date},
    {u"Tags", Type::ComplexText},
    {u"Files", Type::Attachment},
    {u"N", Type::Long},
};
enum Col { kBig, kBig2, kExt, kExt2, kWhen, kTags, kFiles, kN };

Value bigint(std::int64_t v) {
    Value out;
    out.type = Type::BigInt;
    out.integer = v;
    return out;
}

std::int64_t ticks(sys_days day, long secondsOfDay, std::int32_t fraction = 0) {
    return engine::extTicks(day, seconds{secondsOfDay}, fraction);
}

Value ext(std::int64_t t) {
    Value out;
    out.type = Type::DateTimeExtended;
    out.integer = t;
    return out;
}

Value text(Type t, std::u16string s) {
    Value out;
    out.type = t;
    out.text = std::move(s);
    return out;
}

constexpr sys_days kDay{year{2021} / 6 / 14};
const std::int64_t kFractional = ticks(kDay, 81912, 3456789);  // 2021-06-14 22:45:12.3456789
const std::int64_t kQuarterTo1 = ticks(kDay, 45900);           // 2021-06-14 12:45:00

// A row of values, Null where not given.
engine::Row row(std::initializer_list<std::pair<Col, Value>> values) {
    engine::Row r(kColumns.size());
    for (const auto& [c, v] : values) r[c] = v;
    return r;
}

bool keeps(std::u16string_view where, const engine::Row& r) {
    const sql::Statement st = sql::parse(u"SELECT * FROM [T] WHERE " + std::u16string(where));
    return sql::Filter::compile(st, kColumns).matches(r);
}

struct Case {
    std::u16string_view where;
    engine::Row row;
    bool kept;
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const auto error = errorOf([&] { (void)keeps(c.where, c.row); });
        ASSERT_FALSE(error.has_value()) << utf8(c.where) << ": " << error->what();
        EXPECT_EQ(keeps(c.where, c.row), c.kept) << utf8(c.where);
    }
}

// Numbers past 2^53 have no double of their own: a comparison through doubles
// would find 2^53 + 1 equal to 2^53.
TEST(LargeNumber, ComparesExactlyAround2To53And2To63) {
    const auto big = [](std::int64_t v) { return row({{kBig, bigint(v)}}); };
    const std::int64_t two53 = std::int64_t{1} << 53;
    check({
        {u"Big = 9007199254740993", big(two53 + 1), true},
        {u"Big = 9007199254740992", big(two53 + 1), false},
        {u"Big > 9007199254740992", big(two53 + 1), true},
        {u"Big < 9007199254740994", big(two53 + 1), true},
        {u"Big <> 9007199254740992", big(two53 + 1), true},
        {u"Big >= 9007199254740994", big(two53 + 1), false},
        {u"Big = 9223372036854775807", big(kMax), true},
        {u"Big = 9223372036854775806", big(kMax), false},
        {u"Big > 9223372036854775806", big(kMax), true},
        {u"Big < 9223372036854775808", big(kMax), true},  // 2^63, past every Large Number
        {u"Big = 9223372036854775806", big(kMax - 1), true},
        {u"Big < 9223372036854775807", big(kMax - 1), true},
        {u"Big = -9223372036854775808", big(kMin), true},
        {u"Big > -9223372036854775809", big(kMin), true},
        {u"Big < -9223372036854775807", big(kMin), true},
        {u"Big = -9223372036854775807", big(kMin + 1), true},
        {u"Big > -9223372036854775808", big(kMin + 1), true},
        {u"Big = -1", big(-1), true},
        {u"Big < 0", big(-1), true},
        {u"Big = 0", big(0), true},
        {u"Big = 1", big(1), true},
        {u"Big > 0.5", big(1), true},
        {u"Big < 1.000000000000000000000000001", big(1), true},  // 28 digits: exact
        {u"Big = True", big(-1), true},                          // True is -1
        {u"Big", big(0), false},
        {u"Big", big(kMin), true},
        {u"NOT Big", big(0), true},
        {u"Big > Big2", row({{kBig, bigint(kMax)}, {kBig2, bigint(kMax - 1)}}), true},
        {u"Big = Big2", row({{kBig, bigint(two53)}, {kBig2, bigint(two53 + 1)}}), false},
        {u"Big < N",
         row({{kBig, bigint(kMin)},
              {kN,
               [] {
                   Value v;
                   v.type = Type::Long;
                   v.integer = 0;
                   return v;
               }()}}),
         true},
        {u"Big LIKE '9223372036854775807'", big(kMax), true},
        {u"Big LIKE '-9223372036854775808'", big(kMin), true},
        {u"Big LIKE '9007199254740993'", big(two53 + 1), true},
        {u"Big LIKE '9007199254740992'", big(two53 + 1), false},
    });
}

TEST(LargeNumber, NullOnEitherSideIsNeverTrue) {
    const engine::Row null = row({});
    const engine::Row one = row({{kBig, bigint(1)}, {kBig2, bigint(1)}});
    const engine::Row halfNull = row({{kBig, bigint(1)}});
    for (std::u16string_view op : {u"=", u"<>", u"<", u"<=", u">", u">="}) {
        const std::u16string o(op);
        check({
            {u"Big " + o + u" 1", null, false},
            {u"NOT (Big " + o + u" 1)", null, false},
            {u"1 " + o + u" Big", null, false},
            {u"Big " + o + u" Null", one, false},
            {u"Null " + o + u" Big", one, false},
            {u"NOT (Null " + o + u" Big)", one, false},
            {u"Big " + o + u" Big2", halfNull, false},
            {u"Big2 " + o + u" Big", halfNull, false},
        });
    }
    check({{u"Big IS NULL", null, true},
           {u"Big IS NOT NULL", one, true},
           {u"Big LIKE '*'", null, false}});
}

TEST(ExtendedDate, ComparesInTimeOrderToTheTick) {
    const auto at = [](std::int64_t t) { return row({{kExt, ext(t)}}); };
    Value noonDate;  // 2021-06-14 12:45 as a Date/Time
    noonDate.type = Type::Date;
    noonDate.number = engine::dateValue(kDay, seconds{45900});
    const sys_days old{year{1765} / 6 / 14};
    check({
        {u"Ext > #2021-06-14 22:45:12#", at(kFractional), true},
        {u"Ext = #2021-06-14 22:45:12#", at(kFractional), false},
        {u"Ext < #2021-06-14 22:45:13#", at(kFractional), true},
        {u"Ext = #2021-06-14 12:45#", at(kQuarterTo1), true},
        {u"Ext = #6/14/2021 12:45:00 PM#", at(kQuarterTo1), true},
        {u"Ext = #2021-06-14 12:45#", at(kQuarterTo1 + 1), false},
        // A Date/Time's double lies near 01:45, not on it: taken to the millisecond.
        {u"Ext = #2021-06-14 01:45#", at(ticks(kDay, 6300)), true},
        {u"Ext = #2021-06-14 01:45#", at(ticks(kDay, 6300, 1)), false},
        {u"Ext > #2021-06-14 01:45#", at(ticks(kDay, 6300, 1)), true},
        {u"Ext > #2021-06-14 12:45#", at(kQuarterTo1 + 1), true},
        {u"Ext < #2021-06-14 12:45#", at(kQuarterTo1 - 1), true},
        {u"Ext >= #2021-06-14 12:45#", at(kQuarterTo1 - 1), false},
        {u"Ext = When", row({{kExt, ext(kQuarterTo1)}, {kWhen, noonDate}}), true},
        {u"When = Ext", row({{kExt, ext(kQuarterTo1)}, {kWhen, noonDate}}), true},
        {u"When < Ext", row({{kExt, ext(kQuarterTo1 + 1)}, {kWhen, noonDate}}), true},
        {u"Ext < When", row({{kExt, ext(kQuarterTo1 - 1)}, {kWhen, noonDate}}), true},
        {u"Ext2 > Ext", row({{kExt, ext(kFractional)}, {kExt2, ext(kFractional + 1)}}), true},
        {u"Ext2 = Ext", row({{kExt, ext(kFractional)}, {kExt2, ext(kFractional)}}), true},
        // Before day zero: the day and the time of day of the literal, not its number.
        {u"Ext = #1765-06-14 12:45#", at(ticks(old, 45900)), true},
        {u"Ext > #1765-06-14 12:44:59#", at(ticks(old, 45900)), true},
        {u"Ext < #1765-06-14 12:45:01#", at(ticks(old, 45900)), true},
        // Both ends of the range.
        {u"Ext < #100-01-01#", at(0), true},
        {u"Ext > #9999-12-31 23:59:59#", at(engine::kLastExtTick), true},
        {u"Ext < 2958466", at(engine::kLastExtTick), true},
        {u"Ext = 0", at(ticks(engine::kDayZero, 0)), true},
        {u"Ext > 0", at(ticks(engine::kDayZero, 0, 1)), true},
        {u"Ext", at(ticks(engine::kDayZero, 0)), false},
        {u"Ext", at(ticks(engine::kDayZero, 0, 1)), true},
        {u"Ext", at(0), true},
    });
}

TEST(ExtendedDate, NullOnEitherSideIsNeverTrue) {
    const engine::Row null = row({});
    const engine::Row one = row({{kExt, ext(kFractional)}});
    for (std::u16string_view op : {u"=", u"<>", u"<", u"<=", u">", u">="}) {
        const std::u16string o(op);
        check({
            {u"Ext " + o + u" #2021-06-14#", null, false},
            {u"NOT (Ext " + o + u" #2021-06-14#)", null, false},
            {u"#2021-06-14# " + o + u" Ext", null, false},
            {u"Ext " + o + u" Null", one, false},
            {u"Null " + o + u" Ext", one, false},
            {u"Ext " + o + u" Ext2", one, false},
            {u"Ext2 " + o + u" Ext", one, false},
            {u"Ext " + o + u" When", one, false},
        });
    }
    check({{u"Ext IS NULL", null, true},
           {u"Ext IS NOT NULL", one, true},
           {u"Ext LIKE '*'", null, false}});
}

// LIKE matches the text the cell shows: seven digits of a fraction when there is one.
TEST(ExtendedDate, LikeMatchesTheCellsText) {
    const auto at = [](std::int64_t t) { return row({{kExt, ext(t)}}); };
    check({
        {u"Ext LIKE '2021-06-14 22:45:12.3456789'", at(kFractional), true},
        {u"Ext LIKE '*.3456789'", at(kFractional), true},
        {u"Ext LIKE '2021-06-14 22:45:12'", at(kFractional), false},
        {u"Ext LIKE '2021-06-14 12:45:00'", at(kQuarterTo1), true},
        {u"Ext LIKE '*.*'", at(kQuarterTo1), false},
        {u"Ext LIKE '0001-01-01'", at(0), true},
        {u"Ext LIKE '9999-12-31 23:59:59.9999999'", at(engine::kLastExtTick), true},
        {u"Ext LIKE '00:00:00.0000001'", at(ticks(engine::kDayZero, 0, 1)), true},
    });
}

TEST(ComplexValues, AreTextTheirJoinedValues) {
    const engine::Row r = row({{kTags, text(Type::ComplexText, u"value1; value4")},
                               {kFiles, text(Type::Attachment, u"test_data.txt; test_data2.txt")}});
    check({
        {u"Tags = 'value1; value4'", r, true},
        {u"Tags = 'VALUE1; VALUE4'", r, true},
        {u"Tags LIKE '*value4*'", r, true},
        {u"Tags LIKE 'value4*'", r, false},
        {u"Files LIKE 'test_data.txt;*'", r, true},
        {u"Tags > Files", r, true},
        {u"Tags IS NULL", row({}), true},
        {u"Tags = 'x'", row({}), false},
        {u"Tags = Null", r, false},
    });
    for (std::u16string_view where : {u"Tags = 1", u"Files < #2020-01-01#", u"Tags", u"NOT Files",
                                      u"Ext = 'x'", u"Big = Tags"}) {
        const auto error = errorOf([&] { (void)keeps(where, r); });
        ASSERT_TRUE(error.has_value()) << utf8(where);
        EXPECT_EQ(error->number(), engine::kErrTypeMismatch) << utf8(where);
    }
}

TEST(TextForms, OfTheNewTypes) {
    const struct {
        Value value;
        const char* text;
    } cases[] = {
        {bigint(kMin), "-9223372036854775808"},
        {bigint(kMin + 1), "-9223372036854775807"},
        {bigint(-1), "-1"},
        {bigint(0), "0"},
        {bigint(1), "1"},
        {bigint(kMax - 1), "9223372036854775806"},
        {bigint(kMax), "9223372036854775807"},
        {ext(0), "0001-01-01"},
        {ext(kFractional), "2021-06-14 22:45:12.3456789"},
        {ext(kQuarterTo1), "2021-06-14 12:45:00"},
        {ext(engine::kLastExtTick), "9999-12-31 23:59:59.9999999"},
        {text(Type::ComplexLong, u"1; 2; 3"), "1; 2; 3"},
        {text(Type::Attachment, u"a.txt"), "a.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(utf8(sql::textForm(c.value)), c.text);
}

}  // namespace
