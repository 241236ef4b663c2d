// The reader against databases made by Access, compared value by value with
// what mdbtools' mdb-export prints for the same tables.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <iterator>
#include <set>

#include "core/name_order.h"
#include "jet/jet.h"
#include "oracle.h"

namespace {

using jettest::fixture;

std::string utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One row as comparable text: each field with its quoting (Null prints as
// nothing, an empty string as "").
std::string rowKey(const jettest::CsvRow& row) {
    std::string key;
    for (const auto& f : row) key += (f.quoted ? "\"" + f.text + "\"" : f.text) + " | ";
    return key;
}

class FixtureDatabase : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!jettest::haveFixtures()) GTEST_SKIP() << "real database fixtures not present";
        if (jettest::run("command -v mdb-export mdb-tables").empty()) GTEST_SKIP() << "mdbtools not installed";
    }
};

// Every table of the file, user and system alike, row by row and value by value.
TEST_P(FixtureDatabase, EveryTableMatchesMdbExport) {
    const std::string path = fixture(GetParam());
    auto db = jet::Database::open(path);
    ASSERT_FALSE(db->tableNames().empty());
    std::size_t tablesCompared = 0, valuesCompared = 0;
    for (const std::u16string& name : db->tableNames()) {
        SCOPED_TRACE("table " + utf8(name));
        const std::string csv =
            jettest::run("mdb-export -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " +
                         shellQuote(path) + " " + shellQuote(utf8(name)) + " 2>/dev/null");
        const auto expected = jettest::parseCsv(csv);
        ASSERT_FALSE(expected.empty()) << "mdb-export printed nothing";
        auto table = db->openTable(name);
        const auto& columns = table->columns();
        ASSERT_EQ(expected[0].size(), columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) EXPECT_EQ(expected[0][c].text, utf8(columns[c].name));

        // Rows compared as multisets: a row moved to an overflow page is read
        // where its pointer stands, mdb-export reads it where it was moved to.
        std::multiset<std::string> want;
        for (std::size_t r = 1; r < expected.size(); ++r) {
            ASSERT_EQ(expected[r].size(), columns.size()) << "mdb-export row " << r;
            want.insert(rowKey(expected[r]));
        }
        std::multiset<std::string> got;
        engine::Row row;
        while (table->next(row)) {
            ASSERT_EQ(row.size(), columns.size());
            jettest::CsvRow printed;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (row[c].type != engine::Type::Null) {
                    EXPECT_EQ(row[c].type, columns[c].type) << utf8(columns[c].name);
                }
                printed.push_back(jettest::asExported(row[c]));
                ++valuesCompared;
            }
            got.insert(rowKey(printed));
        }
        EXPECT_EQ(got.size(), want.size());
        std::vector<std::string> onlyOurs, onlyTheirs;
        std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(onlyOurs));
        std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(onlyTheirs));
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyOurs.size(), 3); ++i)
            ADD_FAILURE() << "row only we read: " << onlyOurs[i].substr(0, 400);
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyTheirs.size(), 3); ++i)
            ADD_FAILURE() << "row only mdb-export read: " << onlyTheirs[i].substr(0, 400);
        ++tablesCompared;
    }
    RecordProperty("tables", static_cast<int>(tablesCompared));
    RecordProperty("values", static_cast<int>(valuesCompared));
}

// The catalogue: the same names mdb-tables lists (system tables included), in
// the engine's order of names.
TEST_P(FixtureDatabase, TableNamesAreTheCatalogueSorted) {
    const std::string path = fixture(GetParam());
    auto db = jet::Database::open(path);
    std::vector<std::string> ours;
    for (const auto& n : db->tableNames()) ours.push_back(utf8(n));
    std::vector<std::string> theirs;
    const std::string out = jettest::run("mdb-tables -S -1 " + shellQuote(path));
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t nl = out.find('\n', pos);
        theirs.push_back(out.substr(pos, nl - pos));
        pos = nl == std::string::npos ? out.size() : nl + 1;
    }
    auto sortedTheirs = theirs;
    std::sort(sortedTheirs.begin(), sortedTheirs.end());
    auto sortedOurs = ours;
    std::sort(sortedOurs.begin(), sortedOurs.end());
    EXPECT_EQ(sortedOurs, sortedTheirs);
    const auto& names = db->tableNames();
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_LT(engine::compareNames(names[i - 1], names[i]), 0) << ours[i - 1] << " before " << ours[i];
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
