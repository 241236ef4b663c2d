// The reader against databases made by Access, compared value by value with
// what mdbtools' mdb-json prints for the same tables.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <set>

#include "core/name_order.h"
#include "jet/jet.h"
#include "mdb_json.h"
#include "support.h"

namespace {

std::string utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// "YYYY-MM-DD hh:mm:ss" for a stored date as mdbtools prints it: the time of
// day rounded to the second, carried into the next day.
std::string dateText(double days) {
    using namespace std::chrono;
    long day = static_cast<long>(days);
    long secs = std::lround((days - day) * 86400.0);
    day += secs / 86400;
    secs %= 86400;
    const year_month_day ymd{sys_days{year{1899} / 12 / 30} + std::chrono::days{day}};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02ld:%02ld:%02ld", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), secs / 3600,
                  (secs / 60) % 60, secs % 60);
    return buf;
}

std::string decimalText(const engine::Decimal& d) {
    std::string digits;
    unsigned __int128 m = d.mantissa;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    while (digits.size() <= d.scale) digits.insert(digits.begin(), '0');
    if (d.scale > 0) digits.insert(digits.end() - d.scale, '.');
    return (d.negative ? "-" : "") + digits;
}

// How mdb-json prints a value of our reader (support::mdbText's forms): "null"
// for Null and for the empty values it leaves out. mdbtools keeps texts and
// Binary (not OLE) values as C strings, so they end at their first zero; it
// prints a GUID's text, {8-4-4-16}, as bytes.
std::string printed(const engine::Value& v) {
    char buf[96];
    std::string bytes;
    switch (v.type) {
        case engine::Type::Null:
            return "null";
        case engine::Type::Boolean:
            return v.boolean ? "1" : "0";
        case engine::Type::Byte:
        case engine::Type::Integer:
        case engine::Type::Long:
        case engine::Type::BigInt:
            return std::to_string(v.integer);
        case engine::Type::Currency: {
            const std::uint64_t a =
                v.integer < 0 ? 0 - static_cast<std::uint64_t>(v.integer) : v.integer;
            std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v.integer < 0 ? "-" : "",
                          static_cast<unsigned long long>(a / 10000),
                          static_cast<unsigned long long>(a % 10000));
            return buf;
        }
        case engine::Type::Single:
            std::snprintf(buf, sizeof buf, "%.8g",
                          static_cast<double>(static_cast<float>(v.number)));
            return buf;
        case engine::Type::Double:
            std::snprintf(buf, sizeof buf, "%.16g", v.number);
            return buf;
        case engine::Type::Date:
            return dateText(v.number);
        case engine::Type::Text:
        case engine::Type::Memo: {
            const std::string text = utf8(v.text.substr(0, v.text.find(u'\0')));
            return text.empty() ? "null" : text;
        }
        case engine::Type::Binary:
            bytes = v.bytes.substr(0, v.bytes.find('\0'));
            break;
        case engine::Type::LongBinary:
            bytes = v.bytes;
            break;
        case engine::Type::Guid: {
            const auto* b = reinterpret_cast<const unsigned char*>(v.bytes.data());
            std::snprintf(buf, sizeof buf,
                          "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X%02X%02X}",
                          b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11],
                          b[12], b[13], b[14], b[15]);
            bytes = buf;
            break;
        }
        case engine::Type::Decimal:
            return decimalText(v.decimal);
        default:  // the types of Access 2007-2019: not in the .mdb files compared here
            return "?";
    }
    if (bytes.empty()) return "null";
    support::MdbRow row{{"x", {support::MdbValue::Kind::Bytes, bytes}}};
    return support::mdbText(row, "x");
}

class FixtureDatabase : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!support::haveFixtures()) GTEST_SKIP() << "real database fixtures not present";
        if (!support::haveMdbtools()) GTEST_SKIP() << "mdbtools not installed";
    }
};

// Every table of the file, user and system alike, row by row and value by value.
TEST_P(FixtureDatabase, EveryTableMatchesMdbJson) {
    const std::string path = support::realDatabase(GetParam());
    auto db = jet::Database::open(path);
    ASSERT_FALSE(db->tableNames().empty());
    for (const std::u16string& name : db->tableNames()) {
        SCOPED_TRACE("table " + utf8(name));
        auto table = db->openTable(name);
        const auto& columns = table->columns();
        // Rows compared as multisets of their printed values: a row moved to an
        // overflow page is read where its pointer stands, mdbtools reads it where
        // it was moved to.
        const auto key = [&](const std::function<std::string(std::size_t)>& value) {
            std::string k;
            for (std::size_t c = 0; c < columns.size(); ++c) k += value(c) + " | ";
            return k;
        };
        std::multiset<std::string> want;
        for (const support::MdbRow& r : support::mdbJsonRows(path, utf8(name))) {
            for (const auto& field : r) {
                const std::string& column = field.first;
                const bool known =
                    std::any_of(columns.begin(), columns.end(),
                                [&](const engine::Column& c) { return utf8(c.name) == column; });
                EXPECT_TRUE(known) << "mdb-json printed a column we do not have: " << column;
            }
            want.insert(
                key([&](std::size_t c) { return support::mdbText(r, utf8(columns[c].name)); }));
        }
        std::multiset<std::string> got;
        engine::Row row;
        while (table->next(row)) {
            ASSERT_EQ(row.size(), columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (!row[c].isNull()) {
                    EXPECT_EQ(row[c].type, columns[c].type) << utf8(columns[c].name);
                }
            }
            got.insert(key([&](std::size_t c) { return printed(row[c]); }));
        }
        EXPECT_EQ(got.size(), want.size());
        std::vector<std::string> onlyOurs, onlyTheirs;
        std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                            std::back_inserter(onlyOurs));
        std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                            std::back_inserter(onlyTheirs));
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyOurs.size(), 3); ++i)
            ADD_FAILURE() << "row only we read: " << onlyOurs[i].substr(0, 400);
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyTheirs.size(), 3); ++i)
            ADD_FAILURE() << "row only mdb-json read: " << onlyTheirs[i].substr(0, 400);
    }
}

// The catalogue: the same names mdb-tables lists (system tables included), in
// the engine's order of names.
TEST_P(FixtureDatabase, TableNamesAreTheCatalogueSorted) {
    const std::string path = support::realDatabase(GetParam());
    auto db = jet::Database::open(path);
    std::vector<std::string> ours;
    for (const auto& n : db->tableNames()) ours.push_back(utf8(n));
    const support::Run r = support::run("mdb-tables", {"-S", "-1", path});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> theirs;
    for (std::size_t pos = 0; pos < r.out.size();) {
        const std::size_t nl = r.out.find('\n', pos);
        theirs.push_back(r.out.substr(pos, nl - pos));
        pos = nl == std::string::npos ? r.out.size() : nl + 1;
    }
    auto sortedOurs = ours;
    std::sort(sortedOurs.begin(), sortedOurs.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(sortedOurs, theirs);
    const auto& names = db->tableNames();
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_LT(engine::compareNames(names[i - 1], names[i]), 0)
            << ours[i - 1] << " before " << ours[i];
}

INSTANTIATE_TEST_SUITE_P(Real, FixtureDatabase,
                         ::testing::Values("testV2003.mdb", "testV1997.mdb", "nwind.mdb",
                                           "testUnicodeCompV2003.mdb", "fixedNumericTestV2003.mdb",
                                           "overflowTestV1997.mdb", "delColTestV2003.mdb",
                                           "V2003_no-password.mdb"),
                         [](const auto& info) {
                             std::string s = info.param;
                             s = s.substr(0, s.find('.'));
                             std::replace(s.begin(), s.end(), '-', '_');
                             return s;
                         });

}  // namespace
