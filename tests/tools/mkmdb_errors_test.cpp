// Bad descriptions: a clear message naming table, column and row, and no
// file left behind. Also the command line's behaviour.
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Type;

std::string mkmdbCommand() { return std::string(CONVERTI_BIN_DIR) + "/mkmdb"; }

std::string columnsJson(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += (i ? "," : "") + std::string("{\"name\":\"C") + std::to_string(i) + "\",\"type\":\"Long\"}";
    return s;
}

struct BadCase {
    const char* what;
    std::string json;
    std::vector<std::string> messageParts;
};

std::vector<BadCase> badCases() {
    const std::string name65(65, 'n');
    return {
        {"unknown type", R"({"tables":[{"name":"T","columns":[{"name":"C","type":"Wibble"}]}]})",
         {"table \"T\"", "column \"C\"", "unknown type \"Wibble\""}},
        {"byte out of range",
         R"({"tables":[{"name":"T","columns":[{"name":"B","type":"Byte"}],"rows":[[1],[300]]}]})",
         {"table \"T\", column \"B\", row 2", "from 0 to 255"}},
        {"text in a Long column",
         R"({"tables":[{"name":"T","columns":[{"name":"L","type":"Long"}],"rows":[["abc"]]}]})",
         {"table \"T\", column \"L\", row 1", "whole number"}},
        {"fraction in an Integer column",
         R"({"tables":[{"name":"T","columns":[{"name":"I","type":"Integer"}],"rows":[[1.5]]}]})",
         {"column \"I\", row 1", "whole number"}},
        {"column name too long",
         R"({"tables":[{"name":"T","columns":[{"name":")" + name65 + R"(","type":"Long"}]}]})",
         {"table \"T\"", "65 characters", "at most 64"}},
        {"table name too long", R"({"tables":[{"name":")" + name65 + R"(","columns":[{"name":"C","type":"Long"}]}]})",
         {"65 characters", "at most 64"}},
        {"256 columns", R"({"tables":[{"name":"Larga","columns":[)" + columnsJson(256) + "]}]}",
         {"table \"Larga\"", "256 columns", "at most 255"}},
        {"Null Boolean", R"({"tables":[{"name":"T","columns":[{"name":"Sì","type":"Boolean"}],"rows":[[true],[null]]}]})",
         {"table \"T\", column \"Sì\", row 2", "Null"}},
        {"text too long",
         R"({"tables":[{"name":"T","columns":[{"name":"N","type":"Text","size":3}],"rows":[["abcd"]]}]})",
         {"column \"N\", row 1", "4 characters", "holds 3"}},
        {"decimal with too many digits",
         R"({"tables":[{"name":"T","columns":[{"name":"D","type":"Decimal","precision":4,"scale":2}],"rows":[[123.45]]}]})",
         {"column \"D\", row 1", "more than 4 digits"}},
        {"decimal with too many places",
         R"({"tables":[{"name":"T","columns":[{"name":"D","type":"Decimal","precision":8,"scale":1}],"rows":[["1.25"]]}]})",
         {"column \"D\", row 1", "1 digits after the point"}},
        {"currency with five places",
         R"({"tables":[{"name":"T","columns":[{"name":"V","type":"Currency"}],"rows":[[1.23456]]}]})",
         {"column \"V\", row 1", "4 digits"}},
        {"bad date", R"({"tables":[{"name":"T","columns":[{"name":"D","type":"Date"}],"rows":[["2023-02-30"]]}]})",
         {"column \"D\", row 1", "not a date"}},
        {"bad GUID", R"({"tables":[{"name":"T","columns":[{"name":"G","type":"Guid"}],"rows":[["{1234}"]]}]})",
         {"column \"G\", row 1", "GUID"}},
        {"text for Binary",
         R"({"tables":[{"name":"T","columns":[{"name":"B","type":"Binary"}],"rows":[["abc"]]}]})",
         {"column \"B\", row 1", "bytes"}},
        {"row too short",
         R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Long"},{"name":"B","type":"Long"}],"rows":[[1,2],[3]]}]})",
         {"table \"T\", row 2", "1 values", "2 columns"}},
        {"unknown column in a row",
         R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Long"}],"rows":[{"Z":1}]}]})",
         {"table \"T\", column \"Z\", row 1", "no such column"}},
        {"duplicate column", R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Long"},{"name":"a","type":"Text"}]}]})",
         {"column \"a\"", "two columns"}},
        {"system table name", R"({"tables":[{"name":"MSysMine","columns":[{"name":"A","type":"Long"}]}]})",
         {"table \"MSysMine\"", "MSys"}},
        {"autoNumber on Text",
         R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Text","autoNumber":true}]}]})",
         {"column \"A\"", "AutoNumber"}},
        {"row too large",
         R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Binary"},{"name":"B","type":"Binary"}, {"name":"C","type":"Binary"},{"name":"D","type":"Binary"}, {"name":"E","type":"Binary"},{"name":"F","type":"Text","size":255,"compressed":false}, {"name":"G","type":"Text","size":255,"compressed":false},{"name":"H","type":"Text","size":255,"compressed":false}, {"name":"I","type":"Text","size":255,"compressed":false},{"name":"J","type":"Text","size":255,"compressed":false},{"name":"K","type":"Text","size":255,"compressed":false}],"rows":[[{"repeat":{"hex":"01"},"count":255},{"repeat":{"hex":"01"},"count":255},{"repeat":{"hex":"01"},"count":255},{"repeat":{"hex":"01"},"count":255},{"repeat":{"hex":"01"},"count":255},{"repeat":"x","count":255},{"repeat":"x","count":255},{"repeat":"x","count":255},{"repeat":"x","count":255},{"repeat":"x","count":255},{"repeat":"x","count":255}]]}]})",
         {"table \"T\", row 1", "a Jet 4 row holds at most 4080"}},
        {"Long past its end",
         R"({"tables":[{"name":"T","columns":[{"name":"L","type":"Long"}],"rows":[[2147483647],[2147483648]]}]})",
         {"table \"T\", column \"L\", row 2", "from -2147483648 to 2147483647"}},
        {"Long past 64 bits",
         R"({"tables":[{"name":"T","columns":[{"name":"L","type":"Long"}],"rows":[[9223372036854775808]]}]})",
         {"column \"L\", row 1", "whole number"}},
        {"Currency past its end",
         R"({"tables":[{"name":"T","columns":[{"name":"V","type":"Currency"}],"rows":[[-922337203685477.5809]]}]})",
         {"column \"V\", row 1", "too large for Currency"}},
        {"whole Currency past its end",
         R"({"tables":[{"name":"T","columns":[{"name":"V","type":"Currency"}],"rows":[[922337203685478]]}]})",
         {"column \"V\", row 1", "too large for Currency"}},
        {"invalid JSON", "{\"tables\": [\n  {\"name\": \"T\",}\n]}", {"not valid JSON", "line 2, column 16"}},
        {"number past a double",
         R"({"tables":[{"name":"T","columns":[{"name":"D","type":"Double"}],"rows":[[-1e400]]}]})",
         {"not valid JSON", "number overflow parsing '-1e400'"}},
        {"unknown property", R"({"tabels":[]})", {"unknown property \"tabels\""}},
    };
}

TEST(MkmdbErrors, BadDescriptionsAreRefusedWithTheirPlaceAndNoFileIsLeft) {
    TempDir dir;
    for (const BadCase& c : badCases()) {
        SCOPED_TRACE(c.what);
        auto description = dir.file("bad.json");
        std::ofstream(description) << c.json;
        auto output = dir.file("bad.mdb");
        CommandResult r = run(mkmdbCommand() + " " + shellQuote(description.string()) + " " +
                              shellQuote(output.string()) + " 2>&1");
        EXPECT_EQ(r.status, 1) << r.out;
        for (const std::string& part : c.messageParts) EXPECT_NE(r.out.find(part), std::string::npos) << r.out;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"bad.json"});
        std::filesystem::remove(description);
    }
}

TEST(MkmdbErrors, AFailedWriteKeepsTheFileThatWasThere) {
    TempDir dir;
    auto path = dir.file("esistente.mdb");
    std::ofstream(path) << "old content";
    mkmdb::Database db;
    db.addTable("T", {{"N", Type::Integer, {}}}).generateRows(100000, [](std::uint64_t i, mkmdb::Row& row) {
        row[0] = static_cast<int>(i);  // passes 32767 at row 32769
    });
    try {
        mkmdb::write(db, path);
        FAIL() << "no error";
    } catch (const mkmdb::Error& e) {
        EXPECT_EQ(e.table(), "T");
        EXPECT_EQ(e.column(), "N");
        EXPECT_EQ(e.row(), 32769u);
    }
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "old content");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"esistente.mdb"});
}

TEST(MkmdbErrors, TablesAreCheckedWhenAdded) {
    mkmdb::Database db;
    std::vector<mkmdb::Column> wide(256, mkmdb::Column{"", Type::Long, {}});
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i].name = "C" + std::to_string(i);
    EXPECT_THROW(db.addTable("Larga", wide), mkmdb::Error);
    wide.pop_back();
    EXPECT_NO_THROW(db.addTable("Larga", wide));
    EXPECT_THROW(db.addTable("LARGA", {{"A", Type::Long, {}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("Vuota", {}), mkmdb::Error);
    EXPECT_THROW(db.addTable(" Blank", {{"A", Type::Long, {}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("Punto.", {{"A", Type::Long, {}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("T", {{"A", static_cast<Type>(13), {}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("T", {{"A", Type::Text, {.size = 256}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("T", {{"A", Type::Decimal, {.precision = 29}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("T", {{"A", Type::Decimal, {.precision = 5, .scale = 6}}}), mkmdb::Error);
    std::string name64(64, 'x');
    EXPECT_NO_THROW(db.addTable(name64, {{name64, Type::Long, {}}}));
}

TEST(MkmdbErrors, CommandLineWritesAReadableDatabase) {
    MKMDB_REQUIRE_READERS();
    TempDir dir;
    auto description = dir.file("ok.json");
    std::ofstream(description) << R"({"created": "2024-01-02 03:04:05", "tables": [
        {"name": "Città", "columns": [{"name": "Nome", "type": "Text", "size": 30}, {"name": "Abitanti", "type": 4}],
         "rows": [["Milano", 1371498], {"Nome": "Roma"}]}]})";
    auto output = dir.file("ok.mdb");
    CommandResult r = run(mkmdbCommand() + " -v " + shellQuote(description.string()) + " " +
                          shellQuote(output.string()) + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1 tables, 2 rows"), std::string::npos) << r.out;
    std::vector<mkmdb::Json> rows = mdbJsonRows(output, "Città");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(mdbtoolsText(rows[0], "Nome"), "Milano");
    EXPECT_EQ(mdbtoolsText(rows[0], "Abitanti"), "1371498");
    EXPECT_EQ(mdbtoolsText(rows[1], "Nome"), "Roma");
    EXPECT_EQ(mdbtoolsText(rows[1], "Abitanti"), "null");
    CommandResult objects = run("mdb-export -D '%Y-%m-%d' -T '%Y-%m-%d %H:%M:%S' " + shellQuote(output.string()) +
                                " MSysObjects");
    EXPECT_NE(objects.out.find("\"Città\",1,\"2024-01-02 03:04:05\""), std::string::npos) << objects.out;

    EXPECT_EQ(run(mkmdbCommand() + " only-one-argument 2>/dev/null").status, 2);
}

}  // namespace
