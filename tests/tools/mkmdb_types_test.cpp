// Every field type, Null and edge values written by mkmdb and read back, value
// by value, by mdb-reader and by mdbtools.
#include <climits>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Type;
using mkmdb::Value;

// One column and three rows: the values written, what mdb-reader reads
// (dump.mjs forms) and what mdb-json prints ("" = not compared: mdbtools
// cannot show that value, e.g. astral characters or NUL bytes).
struct Case {
    mkmdb::Column column;
    std::vector<Value> values;
    std::vector<std::string> reader;
    std::vector<std::string> mdbtools;
};

mkmdb::Guid sequenceGuid() {
    mkmdb::Guid g;
    for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i);
    return g;
}

std::vector<Case> everyTypeCases() {
    return {
        {{"Vero", Type::Boolean, {}}, {true, false, true}, {"true", "false", "true"}, {"1", "0", "1"}},
        {{"Byte", Type::Byte, {}}, {0, 255, mkmdb::Null{}}, {"0", "255", "null"}, {"0", "255", "null"}},
        {{"Intero", Type::Integer, {}},
         {-32768, 32767, mkmdb::Null{}},
         {"-32768", "32767", "null"},
         {"-32768", "32767", "null"}},
        {{"Lungo", Type::Long, {}},
         {INT32_MIN, INT32_MAX, mkmdb::Null{}},
         {"-2147483648", "2147483647", "null"},
         {"-2147483648", "2147483647", "null"}},
        {{"Contatore", Type::Long, {.autoNumber = true}},
         {mkmdb::Null{}, 41, mkmdb::Null{}},
         {"1", "41", "42"},
         {"1", "41", "42"}},
        {{"Valuta", Type::Currency, {}},
         {mkmdb::Currency{INT64_MIN}, "12.34", 7},
         {"-922337203685477.5808", "12.3400", "7.0000"},
         {"-922337203685477.5808", "12.3400", "7.0000"}},
        {{"Singolo", Type::Single, {}},
         {1.5, -0.1, mkmdb::Null{}},
         {"f:0000c03f", "f:cdccccbd", "null"},
         {"1.5", "-0.1", "null"}},
        {{"Doppio", Type::Double, {}},
         {0.1, 1e300, -2.5},
         {"d:9a9999999999b93f", "d:9c7500883ce4377e", "d:00000000000004c0"},
         {"0.1", "1e+300", "-2.5"}},
        {{"Data", Type::Date, {}},
         {"2024-02-29 13:45:10", "1999-12-31 23:59:59", mkmdb::DateTime{45000.25}},
         {"1709214310000", "946684799000", "1678860000000"},
         {"2024-02-29 13:45:10", "1999-12-31 23:59:59", "2023-03-15 06:00:00"}},
        {{"Binario", Type::Binary, {.size = 8}},
         {mkmdb::Bytes{"AB~"}, mkmdb::Bytes{std::string("\x00\x01\xff", 3)}, mkmdb::Null{}},
         {"b:41427e", "b:0001ff", "null"},
         // mdbtools ends binary values at their first NUL byte.
         {b("AB~"), "", "null"}},
        {{"Testo", Type::Text, {.size = 20}},
         {"Mario", "Città più €", u"𝄞 astrale"},
         {u(u"Mario"), u(u"Città più €"), u(u"𝄞 astrale")},
         {"Mario", "Città più €", ""}},
        {{"Testo piano", Type::Text, {.size = 10, .compressed = false}},
         {"Zanzibar", u"東京", ""},
         {u(u"Zanzibar"), u(u"東京"), "u:"},
         {"Zanzibar", "東京", "null"}},
        {{"Oggetto OLE", Type::LongBinary, {}},
         {mkmdb::Bytes{std::string("\x00\x01ole", 5)}, mkmdb::Bytes{""}, mkmdb::Null{}},
         {"b:00016f6c65", "b:", "null"},
         {"b:00016f6c65", "b:", "null"}},
        {{"Memo", Type::Memo, {}},
         {"memo breve", "", mkmdb::Null{}},
         {u(u"memo breve"), "u:", "null"},
         {"memo breve", "null", "null"}},
        {{"Guid", Type::Guid, {}},
         {"{01234567-89AB-CDEF-0123-456789ABCDEF}", sequenceGuid(), mkmdb::Null{}},
         {"01234567-89ab-cdef-0123-456789abcdef", "03020100-0504-0706-0809-0a0b0c0d0e0f", "null"},
         // mdbtools prints GUIDs without the fourth dash.
         {b("{01234567-89AB-CDEF-0123456789ABCDEF}"), b("{03020100-0504-0706-08090A0B0C0D0E0F}"), "null"}},
        {{"Decimale", Type::Decimal, {.precision = 10, .scale = 3}},
         {"-1234567.891", mkmdb::Decimal{false, 5, 0}, mkmdb::Null{}},
         {"-1234567.891", "5.000", "null"},
         {"-1234567.891", "5.000", "null"}},
        {{"Decimale ampio", Type::Decimal, {.precision = 28, .scale = 4}},
         {"123456789012345678901234.5678", 0, "-0.0001"},
         {"123456789012345678901234.5678", "0.0000", "-0.0001"},
         {"123456789012345678901234.5678", "0.0000", "-0.0001"}},
    };
}

TEST(MkmdbTypes, EveryTypeReadsBackInBothReaders) {
    MKMDB_REQUIRE_READERS();
    std::vector<Case> cases = everyTypeCases();
    std::vector<mkmdb::Column> columns;
    for (const Case& c : cases) columns.push_back(c.column);
    mkmdb::Database db;
    mkmdb::Table& table = db.addTable("Tutti i tipi", columns);
    for (std::size_t row = 0; row < 3; ++row) {
        mkmdb::Row values;
        for (const Case& c : cases) values.push_back(c.values[row]);
        table.addRow(values);
    }
    TempDir dir;
    auto path = dir.file("tipi.mdb");
    mkmdb::write(db, path);

    mkmdb::Json dump = readerDump(path);
    const mkmdb::Json& t = dump.at("tables").at("Tutti i tipi");
    const auto& readerColumns = t.at("columns");
    ASSERT_EQ(readerColumns.size(), cases.size());
    const auto& readerRows = t.at("rows");
    ASSERT_EQ(readerRows.size(), 3u);
    const auto toolRows = mdbJsonRows(path, "Tutti i tipi");
    ASSERT_EQ(toolRows.size(), 3u);

    for (std::size_t col = 0; col < cases.size(); ++col) {
        const Case& c = cases[col];
        SCOPED_TRACE("column " + c.column.name);
        EXPECT_EQ(readerColumns[col].at("name").get<std::string>(), c.column.name);
        for (std::size_t row = 0; row < 3; ++row) {
            SCOPED_TRACE("row " + std::to_string(row + 1));
            EXPECT_EQ(scalarText(readerRows[row][col]), c.reader[row]) << "mdb-reader";
            if (!c.mdbtools[row].empty()) {
                EXPECT_EQ(mdbtoolsText(toolRows[row], c.column.name), c.mdbtools[row]) << "mdb-json";
            }
        }
    }
}

TEST(MkmdbTypes, ColumnDefinitionsMatchWhatWasAsked) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    db.addTable("Schema", {{"Id", Type::Long, {.autoNumber = true}},
                           {"Nome", Type::Text, {.size = 40}},
                           {"Breve", Type::Text, {}},
                           {"Raw", Type::Binary, {.size = 16}},
                           {"Prezzo", Type::Decimal, {.precision = 12, .scale = 2}},
                           {"Fatto", Type::Boolean, {}}});
    TempDir dir;
    auto path = dir.file("schema.mdb");
    mkmdb::write(db, path);

    mkmdb::Json dump = readerDump(path);
    const auto& columns = dump.at("tables").at("Schema").at("columns");
    ASSERT_EQ(columns.size(), 6u);
    struct Expect {
        const char* name;
        const char* type;
        const char* size;
    } expect[] = {{"Id", "long", "4"},      {"Nome", "text", "80"},    {"Breve", "text", "100"},
                  {"Raw", "binary", "16"},  {"Prezzo", "numeric", "17"}, {"Fatto", "boolean", "0"}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(columns[i].at("name").get<std::string>(), expect[i].name);
        EXPECT_EQ(columns[i].at("type").get<std::string>(), expect[i].type);
        EXPECT_EQ(scalarText(columns[i].at("size")), expect[i].size);
    }
    EXPECT_TRUE(columns[0].at("autoLong").get<bool>());
    EXPECT_EQ(scalarText(columns[4].at("precision")), "12");
    EXPECT_EQ(scalarText(columns[4].at("scale")), "2");

    CommandResult schema = run("mdb-schema -T Schema " + shellQuote(path.string()) + " 2>&1");
    ASSERT_EQ(schema.status, 0) << schema.out;
    for (const char* line : {"[Nome]\t\t\tText (40)", "[Breve]\t\t\tText (50)", "[Prezzo]\t\t\tNumeric (12, 2)",
                             "[Fatto]\t\t\tBoolean NOT NULL"})
        EXPECT_NE(schema.out.find(line), std::string::npos) << line << "\n" << schema.out;
}

// Numbers in a description keep every digit: whole numbers past 32 and 64
// bits, and amounts with more digits than a double holds.
TEST(MkmdbTypes, DescriptionNumbersKeepEveryDigit) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db = mkmdb::parseDescription(R"({"tables": [{"name": "Limiti", "columns": [
        {"name": "L", "type": "Long"}, {"name": "C", "type": "Currency"},
        {"name": "N", "type": "Decimal", "precision": 28, "scale": 0}, {"name": "D", "type": "Double"}],
      "rows": [
        [-2147483648, -922337203685477.5808, -9223372036854775808, 0.1],
        [2147483647, 922337203685477.5807, 9223372036854775807, 1e300],
        [0, 922337203685477, 18446744073709551615, -2.5],
        [null, 0.0001, 9999999999999999999999999999, 9007199254740993]]}]})");
    TempDir dir;
    auto path = dir.file("limiti.mdb");
    mkmdb::write(db, path);
    mkmdb::Json dump = readerDump(path);
    const auto& rows = dump.at("tables").at("Limiti").at("rows");
    const std::vector<std::vector<std::string>> expect = {
        {"-2147483648", "-922337203685477.5808", "-9223372036854775808", "d:9a9999999999b93f"},
        {"2147483647", "922337203685477.5807", "9223372036854775807", "d:9c7500883ce4377e"},
        {"0", "922337203685477.0000", "18446744073709551615", "d:00000000000004c0"},
        {"null", "0.0001", "9999999999999999999999999999", "d:0000000000004043"}};
    ASSERT_EQ(rows.size(), expect.size());
    for (std::size_t r = 0; r < expect.size(); ++r)
        for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(scalarText(rows[r][c]), expect[r][c]) << r << "," << c;
}

// Which Unicode form a text takes can be seen in the file's bytes.
TEST(MkmdbTypes, TextUsesTheCompressedFormOnlyWhereItIsAllowedAndShorter) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    db.addTable("Forme", {{"Compresso", Type::Text, {}}, {"Piano", Type::Text, {.compressed = false}}})
        .addRow({"Zanzibar-Compresso", "Zanzibar-Piano"})
        .addRow({u"Ā-kanji-東京", u"\uFEFFmarcatore"});
    TempDir dir;
    auto path = dir.file("forme.mdb");
    mkmdb::write(db, path);
    CommandResult hex = run("od -An -v -tx1 " + shellQuote(path.string()) + " | tr -d ' \\n'");
    auto contains = [&](std::string_view bytesHex) { return hex.out.find(bytesHex) != std::string::npos; };
    auto compressedHex = b("\xff\xfeZanzibar-Compresso").substr(2);
    auto plainHex = u(u"Zanzibar-Piano").substr(2);
    EXPECT_TRUE(contains(compressedHex)) << "compressed form missing";
    EXPECT_TRUE(contains(plainHex)) << "plain UTF-16 form missing";
    EXPECT_FALSE(contains(b("\xff\xfeZanzibar-Piano").substr(2))) << "compressed although not allowed";
    // U+0100 has a zero low byte, which the compressed form cannot carry.
    EXPECT_TRUE(contains(u(u"Ā-kanji-東京").substr(2)));

    // A text starting with U+FEFF must not be taken for the marker.
    mkmdb::Json dump = readerDump(path);
    const auto& rows = dump.at("tables").at("Forme").at("rows");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(scalarText(rows[1][0]), u(u"Ā-kanji-東京"));
    EXPECT_EQ(scalarText(rows[1][1]), u(u"\uFEFFmarcatore"));
}

TEST(MkmdbTypes, DatesBeforeTheEpochKeepTheirTimeAsAPositiveFraction) {
    // Jet counts days before 1899-12-30 negative, the time of day still positive.
    EXPECT_EQ(mkmdb::parseDate("1899-12-30").days, 0.0);
    EXPECT_EQ(mkmdb::parseDate("1899-12-29 06:00:00").days, -1.25);
    EXPECT_EQ(mkmdb::parseDate("1900-01-01 12:00:00").days, 2.5);
    EXPECT_EQ(mkmdb::parseDate("2023-03-15T06:00:00").days, 45000.25);
    for (const char* bad : {"2023-02-29", "2023-13-01", "2023-1-01", "2023-01-01 24:00:00", "0099-01-01", "ieri"})
        EXPECT_THROW(mkmdb::parseDate(bad), std::invalid_argument) << bad;
}

}  // namespace
