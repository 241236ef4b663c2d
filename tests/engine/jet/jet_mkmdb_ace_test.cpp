// Access 2007-2019 databases written by tools/mkmdb, read back: every version,
// the common types, Large Number at both ends of its range and around zero,
// Date/Time Extended at both ends of its range, around Jet's day zero and the
// first day Excel counts right, with 0 to 7 digits of a fraction of a second.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <limits>

#include "core/conversions.h"
#include "jet/jet.h"
#include "mkmdb.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono;
using T = mkmdb::Type;

class AceWritten : public ::testing::Test {
protected:
    std::string write(const mkmdb::Database& db) {
        const std::string path = dir_.file("t.accdb");
        mkmdb::write(db, path);
        return path;
    }
    support::TempDir dir_;
};

struct Version {
    mkmdb::Version written;
    int engine;  // what the reader reports
};
constexpr Version kVersions[] = {{mkmdb::Version::Ace2007, 12},
                                 {mkmdb::Version::Ace2010, 14},
                                 {mkmdb::Version::Ace2016, 16},
                                 {mkmdb::Version::Ace2019, 17}};

std::vector<engine::Row> readAll(jet::Table& table) {
    std::vector<engine::Row> rows;
    engine::Row row;
    while (table.next(row)) rows.push_back(row);
    return rows;
}

TEST_F(AceWritten, EveryVersionReadsTheCommonTypes) {
    for (const Version& v : kVersions) {
        SCOPED_TRACE(v.engine);
        mkmdb::Database db;
        db.setVersion(v.written);
        auto& t = db.addTable("Clienti", {{"ID", T::Long, {.autoNumber = true}},
                                          {"Nome", T::Text, {.size = 40}},
                                          {"Saldo", T::Currency, {}},
                                          {"Quando", T::Date, {}},
                                          {"Fatto", T::Boolean, {}},
                                          {"Nota", T::Memo, {}},
                                          {"Valore", T::Decimal, {.precision = 12, .scale = 2}}});
        t.addRow({mkmdb::Null{}, "Città 東京", mkmdb::Currency{-12345678}, "2024-02-29 13:45:10",
                  true, std::string(5000, 'm'), "-1234567890.12"});
        t.addRow({mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, false, mkmdb::Null{},
                  mkmdb::Null{}});
        auto reader = jet::Database::open(write(db));
        EXPECT_EQ(reader->jetVersion(), v.engine);
        auto table = reader->openTable(u"Clienti");
        const auto rows = readAll(*table);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][0].integer, 1);
        EXPECT_EQ(rows[0][1].text, u"Città 東京");
        EXPECT_EQ(rows[0][2].integer, -12345678);
        ASSERT_TRUE(engine::splitDate(rows[0][3].number).has_value());
        EXPECT_EQ(engine::dateText(*engine::splitDate(rows[0][3].number)).view(),
                  u"2024-02-29 13:45:10");
        EXPECT_TRUE(rows[0][4].boolean);
        EXPECT_EQ(rows[0][5].text, std::u16string(5000, u'm'));
        EXPECT_TRUE(rows[0][6].decimal.mantissa == 123456789012u);
        EXPECT_TRUE(rows[0][6].decimal.negative);
        EXPECT_EQ(rows[1][0].integer, 2);
        for (int c : {1, 2, 3, 5, 6})
            EXPECT_TRUE(rows[1][static_cast<std::size_t>(c)].isNull()) << c;
        EXPECT_FALSE(rows[1][4].boolean);
    }
}

TEST_F(AceWritten, LargeNumbersAtEveryEdge) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::int64_t values[] = {kMin,
                                   kMin + 1,
                                   -1,
                                   0,
                                   1,
                                   kMax - 1,
                                   kMax,
                                   std::int64_t{1} << 53,
                                   (std::int64_t{1} << 53) + 1};
    for (const Version& v : {kVersions[2], kVersions[3]}) {
        SCOPED_TRACE(v.engine);
        mkmdb::Database db;
        db.setVersion(v.written);
        auto& t =
            db.addTable("Numeri", {{"N", T::LargeNumber, {}}, {"Testo", T::Text, {.size = 30}}});
        for (std::int64_t n : values) t.addRow({n, std::to_string(n)});
        t.addRow({mkmdb::Null{}, "null"});
        auto table = jet::Database::open(write(db))->openTable(u"Numeri");
        ASSERT_EQ(table->columns()[0].type, engine::Type::BigInt);
        const auto rows = readAll(*table);
        ASSERT_EQ(rows.size(), std::size(values) + 1);
        for (std::size_t i = 0; i < std::size(values); ++i) {
            ASSERT_EQ(rows[i][0].type, engine::Type::BigInt) << values[i];
            EXPECT_EQ(rows[i][0].integer, values[i]);
        }
        EXPECT_TRUE(rows.back()[0].isNull());
    }
}

TEST_F(AceWritten, ExtendedDatesAtEveryEdge) {
    constexpr sys_days kFirst{year{1} / 1 / 1};
    const struct {
        const char* written;
        sys_days day;
        long second;
        std::int32_t fraction;
    } cases[] = {
        {"0001-01-01", kFirst, 0, 0},
        {"0001-01-01 00:00:00.0000001", kFirst, 0, 1},
        {"9999-12-31 23:59:59.9999999", sys_days{year{9999} / 12 / 31}, 86399, 9999999},
        {"9999-12-31", sys_days{year{9999} / 12 / 31}, 0, 0},
        {"1899-12-29 23:59:59.9999999", engine::kDayZero - days{1}, 86399, 9999999},
        {"1899-12-30", engine::kDayZero, 0, 0},
        {"1899-12-30 00:00:00.0000001", engine::kDayZero, 0, 1},
        {"1899-12-30 12:45:00", engine::kDayZero, 45900, 0},
        {"1900-02-28 23:59:59.9999999", sys_days{year{1900} / 2 / 28}, 86399, 9999999},
        {"1900-03-01", sys_days{year{1900} / 3 / 1}, 0, 0},
        {"1900-03-01 00:00:01", sys_days{year{1900} / 3 / 1}, 1, 0},
        // 0 to 7 digits of a fraction.
        {"2021-06-14 22:45:12", sys_days{year{2021} / 6 / 14}, 81912, 0},
        {"2021-06-14 22:45:12.1", sys_days{year{2021} / 6 / 14}, 81912, 1000000},
        {"2021-06-14 22:45:12.12", sys_days{year{2021} / 6 / 14}, 81912, 1200000},
        {"2021-06-14 22:45:12.123", sys_days{year{2021} / 6 / 14}, 81912, 1230000},
        {"2021-06-14 22:45:12.1234", sys_days{year{2021} / 6 / 14}, 81912, 1234000},
        {"2021-06-14 22:45:12.12345", sys_days{year{2021} / 6 / 14}, 81912, 1234500},
        {"2021-06-14 22:45:12.123456", sys_days{year{2021} / 6 / 14}, 81912, 1234560},
        {"2021-06-14 22:45:12.1234567", sys_days{year{2021} / 6 / 14}, 81912, 1234567},
        {"2021-06-14 22:45:12.0000010", sys_days{year{2021} / 6 / 14}, 81912, 10},
    };
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2019);
    auto& t = db.addTable("Date",
                          {{"Quando", T::DateTimeExtended, {}}, {"Testo", T::Text, {.size = 40}}});
    for (const auto& c : cases) t.addRow({c.written, c.written});
    t.addRow({mkmdb::Null{}, "null"});
    auto table = jet::Database::open(write(db))->openTable(u"Date");
    ASSERT_EQ(table->columns()[0].type, engine::Type::DateTimeExtended);
    const auto rows = readAll(*table);
    ASSERT_EQ(rows.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].written);
        ASSERT_EQ(rows[i][0].type, engine::Type::DateTimeExtended);
        EXPECT_EQ(rows[i][0].integer,
                  engine::extTicks(cases[i].day, seconds{cases[i].second}, cases[i].fraction));
    }
    EXPECT_TRUE(rows.back()[0].isNull());
}

}  // namespace
