// jetsql on Access 2019 databases written by mkmdb: WHERE clauses that compare
// Large Numbers exactly near 2^53 and 2^63 and Date/Time Extended values to the
// tick, Null on either side, and the cells xlrd reads from the exported sheet.

#include <gtest/gtest.h>

#include <limits>

#include "support.h"
#include "mkmdb.h"

namespace {

using support::run;
using mkmdb::Null;
using mkmdb::Type;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t k2To53 = std::int64_t{1} << 53;

// Rows named r1..r6: N and M Large Numbers, D a Date/Time Extended.
void writeDatabase(const std::string& path) {
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2019);
    auto& t = db.addTable("Valori", {{"R", Type::Text, {.size = 10}},
                                     {"N", Type::LargeNumber, {}},
                                     {"M", Type::LargeNumber, {}},
                                     {"D", Type::DateTimeExtended, {}}});
    t.addRow({"r1", k2To53, k2To53 + 1, "2021-06-14 22:45:12.0000001"});
    t.addRow({"r2", k2To53 + 1, k2To53 + 1, "2021-06-14 22:45:12"});
    t.addRow({"r3", kMax, kMax - 1, "1899-12-30 12:45:00.5"});
    t.addRow({"r4", kMin, Null{}, "0001-01-01"});
    t.addRow({"r5", Null{}, 0, "9999-12-31 23:59:59.9999999"});
    t.addRow({"r6", kMin + 1, -1, Null{}});
    mkmdb::write(db, path);
}

// The R of the rows a WHERE clause keeps, one a line after the header.
std::string kept(const std::string& db, const std::string& where) {
    const auto r = run(support::bin("jetsql"), {db, "SELECT R FROM Valori WHERE " + where});
    EXPECT_EQ(r.status, 0) << where << ": " << r.err;
    std::string rows;
    const std::string& out = r.out;
    for (std::size_t at = out.find("\r\n") + 2; at < out.size();) {
        const std::size_t end = out.find("\r\n", at);
        rows += (rows.empty() ? "" : " ") + out.substr(at, end - at);
        at = end + 2;
    }
    return rows;
}

TEST(AceMkmdb, FiltersCompareExactlyAndNullIsNeverTrue) {
    support::TempDir dir;
    const std::string db = dir.file("valori.accdb");
    writeDatabase(db);
    const struct {
        const char* where;
        const char* rows;
    } cases[] = {
        // Near 2^53, where doubles would find 2^53 and 2^53 + 1 equal.
        {"N = 9007199254740992", "r1"},
        {"N = 9007199254740993", "r2"},
        {"N = M", "r2"},
        {"N < M", "r1 r6"},
        {"N <> M", "r1 r3 r6"},
        {"NOT (N = M)", "r1 r3 r6"},
        {"N > 9007199254740992 AND N < 9007199254740994", "r2"},
        // Near 2^63 and -2^63.
        {"N = 9223372036854775807", "r3"},
        {"N > M", "r3"},
        {"N >= 9223372036854775806", "r3"},
        {"N > 9223372036854775806", "r3"},
        {"N < 9223372036854775808", "r1 r2 r3 r4 r6"},
        {"N = -9223372036854775808", "r4"},
        {"N < -9223372036854775807", "r4"},
        {"N <= -9223372036854775807", "r4 r6"},
        {"N > -9223372036854775809", "r1 r2 r3 r4 r6"},
        // Null on either side.
        {"N IS NULL", "r5"},
        {"M IS NULL", "r4"},
        {"N = Null", ""},
        {"Null <> M", ""},
        {"M > N OR M < N", "r1 r3 r6"},
        {"N LIKE '*'", "r1 r2 r3 r4 r6"},
        {"N LIKE '-9223372036854775808'", "r4"},
        // Date/Time Extended to the tick; Null never compares.
        {"D > #2021-06-14 22:45:12#", "r1 r5"},
        {"D = #2021-06-14 22:45:12#", "r2"},
        {"D < #1900-01-01#", "r3 r4"},
        {"D LIKE '*.0000001'", "r1"},
        {"D LIKE '12:45:00.5000000'", "r3"},
        {"D LIKE '9999-12-31 23:59:59.9999999'", "r5"},
        {"D IS NULL", "r6"},
        {"NOT (D > #1000-01-01#)", "r4"},
    };
    for (const auto& c : cases) EXPECT_EQ(kept(db, c.where), c.rows) << c.where;
}

TEST(AceMkmdb, CellsReadBackByXlrd) {
    support::TempDir dir;
    const std::string db = dir.file("valori.accdb");
    writeDatabase(db);
    const std::string xls = dir.file("valori.xls");
    const auto r = run(support::bin("jetsql"),
                       {db, "SELECT * INTO [Excel 8.0;DATABASE=" + xls + "].[Valori] FROM Valori"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Each cell as (type, value, number format) as xlrd reads it.
    const auto dump =
        run(CONVERTI_PYTHON,
            {"-c",
             "import sys, xlrd\n"
             "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
             "s = b.sheet_by_index(0)\n"
             "def form(c):\n"
             "    if c.ctype == xlrd.XL_CELL_EMPTY: return ''\n"
             "    return b.format_map[b.xf_list[c.xf_index].format_key].format_str\n"
             "for r in range(1, s.nrows):\n"
             "    print([(s.cell(r, c).ctype, s.cell(r, c).value, form(s.cell(r, c)))\n"
             "           for c in range(1, s.ncols)])\n",
             xls});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(
        dump.out,
        // Large Numbers: the nearest double, General; Date/Time Extended: a
        // date cell in whole seconds, text with a fraction or before 1900-03-01.
        "[(2, 9007199254740992.0, 'General'), (2, 9007199254740992.0, 'General'), "
        "(1, '2021-06-14 22:45:12.0000001', 'General')]\n"
        "[(2, 9007199254740992.0, 'General'), (2, 9007199254740992.0, 'General'), "
        "(3, 44361.94805555556, 'yyyy-mm-dd hh:mm:ss')]\n"
        "[(2, 9.223372036854776e+18, 'General'), (2, 9.223372036854776e+18, 'General'), "
        "(1, '12:45:00.5000000', 'General')]\n"
        "[(2, -9.223372036854776e+18, 'General'), (0, '', ''), (1, '0001-01-01', 'General')]\n"
        "[(0, '', ''), (2, 0.0, 'General'), (1, '9999-12-31 23:59:59.9999999', 'General')]\n"
        "[(2, -9.223372036854776e+18, 'General'), (2, -1.0, 'General'), (0, '', '')]\n");
}

}  // namespace
