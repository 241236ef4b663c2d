// Access 2007-2019 (ACE) output: each version written and read back by
// mdb-reader and mdbtools, Large Number and Date/Time Extended at the ends of
// their ranges and just past them, and the header and column definitions
// compared with files saved by Access itself (when the real files are there).
//
// mdbtools 1.0 reads ACE files but shows neither Large Number nor Date/Time
// Extended values ("unsupported data type"): for those the bytes in the file
// are checked here, beside mdb-reader's reading.
#include <cmath>
#include <cstring>
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Json;
using mkmdb::Type;
namespace fs = std::filesystem;

struct AceVersion {
    mkmdb::Version version;
    int year;
    std::uint8_t versionByte;
    const char* mdbVer;
    const char* realFile;  // saved by that Access release
};

constexpr AceVersion kAceVersions[] = {
    {mkmdb::Version::Ace2007, 2007, 0x02, "ACE12", "testV2007.accdb"},
    {mkmdb::Version::Ace2010, 2010, 0x03, "ACE14", "testV2010.accdb"},
    {mkmdb::Version::Ace2016, 2016, 0x05, "ACE16", "bigintV2016.accdb"},
    {mkmdb::Version::Ace2019, 2019, 0x06, "ACE17", "extDateTestV2019.accdb"},
};

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path realFile(const char* name) { return fs::path(CONVERTI_FIXTURES) / "accdb" / name; }

#define REQUIRE_REAL_FILES()                                                                 \
    do {                                                                                     \
        if (!fs::is_directory(fs::path(CONVERTI_FIXTURES) / "accdb"))                        \
            GTEST_SKIP() << "no files saved by Access in " << CONVERTI_FIXTURES << "/accdb"; \
    } while (0)

std::uint32_t le(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}

// The header page with its masked region (128 bytes from 0x18, RC4 with the
// fixed key the Jet page notes give) unmasked.
std::string unmaskedHeader(const std::string& file) {
    std::string page = file.substr(0, 4096);
    const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int k = 0, i = 0, j = 0; k < 128; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        page[static_cast<std::size_t>(0x18 + k)] ^= static_cast<char>(s[(s[i] + s[j]) & 0xFF]);
    }
    return page;
}

// A column's 25-byte entry in its table's definition (Jet 4 layout, which ACE
// keeps): the definition's page from MSysObjects as mdb-reader reads it, the
// entries after 12 bytes per real index, the names after the entries.
std::string columnEntry(const fs::path& db, const std::u16string& table,
                        const std::u16string& column) {
    Json objects = readerDump(db, "--table MSysObjects");
    std::size_t page = 0;
    for (const Json& row : objects.at("tables").at("MSysObjects").at("rows"))
        if (scalarText(row[2]) == u(table)) page = std::stoul(scalarText(row[0]));
    if (page == 0) return "no table";
    const std::string file = fileBytes(db);
    std::string def = file.substr(page * 4096, 4096);
    for (std::uint32_t next = le(def, 4, 4); next != 0;) {
        std::string more = file.substr(next * 4096, 4096);
        def += more.substr(8);
        next = le(more, 4, 4);
    }
    const std::size_t columns = le(def, 45, 2), entries = 63 + 12 * le(def, 51, 4);
    std::size_t name = entries + 25 * columns;
    for (std::size_t i = 0; i < columns; ++i) {
        const std::size_t length = le(def, name, 2);
        std::u16string text;
        for (std::size_t k = 0; k < length; k += 2)
            text.push_back(static_cast<char16_t>(le(def, name + 2 + k, 2)));
        if (text == column) return def.substr(entries + 25 * i, 25);
        name += 2 + length;
    }
    return "no column";
}

// What a Date/Time Extended value's 42 bytes hold, built here from its parts.
std::string extendedBytes(std::int64_t days, std::int64_t seconds, std::int64_t ticks) {
    auto digits = [](std::int64_t n, std::size_t count) {
        std::string s = std::to_string(n);
        return std::string(count - s.size(), '0') + s;
    };
    return digits(days, 19) + ":" + digits(seconds, 12) + digits(ticks, 7) + ":7" +
           std::string(1, '\0');
}

std::size_t occurrences(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

// Every common type, plus Large Number from 2016 and Date/Time Extended in
// 2019, through a JSON description naming the version.
TEST(MkmdbAce, EachVersionIsReadBackByBothReaders) {
    MKMDB_REQUIRE_READERS();
    TempDir dir;
    for (const AceVersion& v : kAceVersions) {
        SCOPED_TRACE(v.year);
        const bool big = v.year >= 2016, extended = v.year >= 2019;
        std::string columns = R"({"name": "ID", "type": "Long", "autoNumber": true},
            {"name": "Nome", "type": "Text", "size": 40}, {"name": "Importo", "type": "Currency"},
            {"name": "Quando", "type": "Date"}, {"name": "Fatto", "type": "YesNo"},
            {"name": "Nota", "type": "Memo"}, {"name": "Valore", "type": "Decimal", "precision": 12, "scale": 2},
            {"name": "Codice", "type": "Guid"}, {"name": "Foto", "type": "OLE"})";
        std::string row1 =
            R"(null, "Città 東京", "-922337203685477.5808", "2024-02-29 13:45:10", true,
            {"repeat": "memo ", "count": 2000}, "-1234567890.12", "{01234567-89AB-CDEF-0123-456789ABCDEF}",
            {"hex": "00ff"})";
        std::string row2 = R"(null, null, null, null, false, null, null, null, null)";
        if (big) {
            columns += R"(, {"name": "Grande", "type": "BigInt"})";
            row1 += R"(, -9223372036854775808)";
            row2 += R"(, null)";
        }
        if (extended) {
            columns += R"(, {"name": "Preciso", "type": "Date/Time Extended"})";
            row1 += R"(, "0001-01-01 00:00:00.0000001")";
            row2 += R"(, null)";
        }
        const std::string description = R"({"version": )" + std::to_string(v.year) +
                                        R"(, "tables": [{"name": "Prova ACE", "columns": [)" +
                                        columns + R"(], "rows": [[)" + row1 + "], [" + row2 +
                                        "]]}]}";
        const fs::path path = dir.file("prova" + std::to_string(v.year) + ".accdb");
        mkmdb::write(mkmdb::parseDescription(description), path);

        const std::string file = fileBytes(path);
        EXPECT_EQ(file.size() % 4096, 0u);
        EXPECT_EQ(file.substr(4, 16), std::string("Standard ACE DB\0", 16));
        EXPECT_EQ(static_cast<std::uint8_t>(file.at(0x14)), v.versionByte);
        EXPECT_EQ(run("mdb-ver " + shellQuote(path.string())).out, std::string(v.mdbVer) + "\n");
        EXPECT_EQ(run("mdb-tables -1 " + shellQuote(path.string())).out, "Prova ACE\n");

        Json dump = readerDump(path);
        const Json& table = dump.at("tables").at("Prova ACE");
        ASSERT_EQ(table.at("columns").size(), 9u + big + extended);
        const Json& rows = table.at("rows");
        ASSERT_EQ(rows.size(), 2u);
        std::vector<std::string> want1 = {"1",
                                          u(u"Città 東京"),
                                          "-922337203685477.5808",
                                          "1709214310000",
                                          "true",
                                          "",
                                          "-1234567890.12",
                                          "01234567-89ab-cdef-0123-456789abcdef",
                                          "b:00ff"};
        std::string memo;
        for (int i = 0; i < 2000; ++i) memo += "memo ";
        want1[5] = u(std::u16string(memo.begin(), memo.end()));
        if (big) want1.push_back("-9223372036854775808");
        if (extended) want1.push_back("0001.01.01 00:00:00.000000100");
        for (std::size_t c = 0; c < want1.size(); ++c) {
            EXPECT_EQ(scalarText(rows[0][c]), want1[c]) << "column " << c;
            EXPECT_EQ(scalarText(rows[1][c]), c == 0   ? "2"
                                              : c == 4 ? "false"
                                                       : "null")
                << "column " << c;
        }

        std::vector<Json> tool = mdbJsonRows(path, "Prova ACE");
        ASSERT_EQ(tool.size(), 2u);
        EXPECT_EQ(mdbtoolsText(tool[0], "Nome"), "Città 東京");
        EXPECT_EQ(mdbtoolsText(tool[0], "Importo"), "-922337203685477.5808");
        EXPECT_EQ(mdbtoolsText(tool[0], "Nota"), memo);
        EXPECT_EQ(mdbtoolsText(tool[0], "Valore"), "-1234567890.12");
        EXPECT_EQ(mdbtoolsText(tool[1], "ID"), "2");
        EXPECT_EQ(mdbtoolsText(tool[1], "Nome"), "null");
    }
}

// The header's fields, unmasked, against the files Access saved: the same
// engine name and version byte, the same constants in the masked region, an
// empty password masked with the creation date as Access masks it.
TEST(MkmdbAce, HeaderHoldsWhatAccessWrites) {
    REQUIRE_REAL_FILES();
    TempDir dir;
    for (const AceVersion& v : kAceVersions) {
        SCOPED_TRACE(v.realFile);
        mkmdb::Database db;
        db.setVersion(v.version);
        db.addTable("T", {{"A", Type::Long, {}}});
        const fs::path path = dir.file("h.accdb");
        mkmdb::write(db, path);
        const std::string ours = unmaskedHeader(fileBytes(path));
        const std::string access = unmaskedHeader(fileBytes(realFile(v.realFile)));
        ASSERT_EQ(access.size(), 4096u) << "real file missing";
        EXPECT_EQ(ours.substr(0, 0x15), access.substr(0, 0x15)) << "engine name and version byte";
        EXPECT_EQ(ours.substr(0x18, 0x18), access.substr(0x18, 0x18))
            << "start of the masked region";
        EXPECT_EQ(ours.substr(0x3C, 6), access.substr(0x3C, 6))
            << "code page 1252, no page encoding key";
        EXPECT_EQ(ours.substr(0x6E, 2), access.substr(0x6E, 2)) << "sort order General";
        for (const std::string* page : {&ours, &access}) {
            double created;
            std::memcpy(&created, page->data() + 0x72, 8);
            const auto day =
                static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(created)));
            for (std::size_t i = 0; i < 40; ++i)
                EXPECT_EQ(static_cast<std::uint8_t>((*page)[0x42 + i]),
                          static_cast<std::uint8_t>(day >> (8 * (i % 4))))
                    << (page == &ours ? "mkmdb" : "Access") << " password byte " << i;
        }
    }
}

// A column entry's type, flags, length and the bytes before the flags, as
// Access 2016 and 2019 wrote them for these types.
TEST(MkmdbAce, NewColumnTypesAreDefinedAsAccessDefinesThem) {
    REQUIRE_REAL_FILES();
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2019);
    db.addTable("Nuovi",
                {{"Numero", Type::LargeNumber, {}}, {"Istante", Type::DateTimeExtended, {}}});
    TempDir dir;
    const fs::path path = dir.file("nuovi.accdb");
    mkmdb::write(db, path);
    const struct {
        std::u16string ours;
        const char* file;
        std::u16string table;
        std::u16string column;
        std::uint8_t type;
        std::uint16_t length;
    } cases[] = {
        {u"Numero", "bigintV2016.accdb", u"Table", u"Numeric", 0x13, 8},
        {u"Istante", "extDateTestV2019.accdb", u"Table1", u"DateExt", 0x14, 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string mine = columnEntry(path, u"Nuovi", c.ours);
        const std::string access = columnEntry(realFile(c.file), c.table, c.column);
        ASSERT_EQ(mine.size(), 25u) << mine;
        ASSERT_EQ(access.size(), 25u) << access;
        EXPECT_EQ(static_cast<std::uint8_t>(access[0]), c.type);
        EXPECT_EQ(le(access, 23, 2), c.length);
        EXPECT_EQ(mine.substr(0, 5), access.substr(0, 5)) << "type and version tag";
        EXPECT_EQ(mine.substr(11, 6), access.substr(11, 6)) << "sort order field, flags";
        EXPECT_EQ(mine.substr(23, 2), access.substr(23, 2)) << "length";
    }
}

// Large Number at both ends of int64 and around zero, given as C++ integers,
// JSON numbers and JSON text; each value sits after a marker Long so its
// bytes can be found in the file.
TEST(MkmdbAce, LargeNumberAtItsEnds) {
    MKMDB_REQUIRE_READERS();
    const std::int64_t values[] = {INT64_MIN, INT64_MIN + 1, -1, 0, 1, INT64_MAX - 1, INT64_MAX};
    std::string json =
        R"({"version": 2016, "tables": [{"name": "N", "columns": [{"name": "Marca", "type": "Long"},
        {"name": "Numero", "type": "LargeNumber"}], "rows": [)";
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2016);
    auto& table = db.addTable("N", {{"Marca", Type::Long, {}}, {"Numero", Type::LargeNumber, {}}});
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const auto marker = static_cast<std::int32_t>(0x4D4B0000 + i);
        table.addRow({marker, values[i]});
        json += (i ? ", " : "") + std::string("[") + std::to_string(marker + 100) + ", " +
                std::to_string(values[i]) + "], [" + std::to_string(marker + 200) + ", \"" +
                std::to_string(values[i]) + "\"]";
    }
    json += "]}]}";
    TempDir dir;
    for (const auto& [name, database] :
         {std::pair{"api", db}, std::pair{"json", mkmdb::parseDescription(json)}}) {
        SCOPED_TRACE(name);
        const fs::path path = dir.file(std::string(name) + ".accdb");
        mkmdb::write(database, path);
        const std::string file = fileBytes(path);
        const Json dump = readerDump(path, "--table N");
        const Json& rows = dump.at("tables").at("N").at("rows");
        const std::size_t copies = std::string(name) == "api" ? 1 : 2;
        ASSERT_EQ(rows.size(), std::size(values) * copies);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::int64_t want = values[i / copies];
            EXPECT_EQ(scalarText(rows[i][1]), std::to_string(want)) << "mdb-reader, row " << i + 1;
            std::string bytes;
            const std::uint32_t marker =
                static_cast<std::uint32_t>(std::stoll(scalarText(rows[i][0])));
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>(marker >> (8 * k)));
            for (int k = 0; k < 8; ++k)
                bytes.push_back(static_cast<char>(static_cast<std::uint64_t>(want) >> (8 * k)));
            EXPECT_EQ(occurrences(file, bytes), 1u)
                << "the value's little-endian bytes after its marker, row " << i + 1;
        }
    }

    // Past the ends, and what is not a whole number.
    for (const char* bad : {"9223372036854775808", "-9223372036854775809",
                            "\"9223372036854775808\"", "\"-9223372036854775809\"", "1.5", "\"1.5\"",
                            "\"12a\"", "\"\"", "\"+1\"", "true", "18446744073709551616"}) {
        SCOPED_TRACE(bad);
        mkmdb::Database refused = mkmdb::parseDescription(
            R"({"version": 2019, "tables": [{"name": "N", "columns": [{"name": "Numero", "type": 16}],
                "rows": [[0], [)" +
            std::string(bad) + "]]}]}");
        try {
            mkmdb::write(refused, dir.file("no.accdb"));
            ADD_FAILURE() << "written";
        } catch (const mkmdb::Error& e) {
            EXPECT_EQ(e.table(), "N");
            EXPECT_EQ(e.column(), "Numero");
            EXPECT_EQ(e.row(), 2u);
        }
        EXPECT_FALSE(fs::exists(dir.file("no.accdb")));
    }
}

// Date/Time Extended at the first and last instants it holds, around Jet's
// day zero, with 0 to 7 fraction digits; its 42 bytes built here from days,
// seconds and 100-ns units are looked for in the file.
TEST(MkmdbAce, DateTimeExtendedAtItsEnds) {
    MKMDB_REQUIRE_READERS();
    const struct {
        mkmdb::Value value;
        std::int64_t days, seconds, ticks;
        const char* reader;  // mdb-reader's text
    } cases[] = {
        {"0001-01-01", 0, 0, 0, "0001.01.01 00:00:00.000000000"},
        {"0001-01-01 00:00:01", 0, 1, 0, "0001.01.01 00:00:01.000000000"},
        {"9999-12-31 23:59:59.9999999", 3652058, 86399, 9999999, "9999.12.31 23:59:59.999999900"},
        {"1899-12-30", 693593, 0, 0, "1899.12.30 00:00:00.000000000"},
        {"1899-12-29 23:59:59.9999999", 693592, 86399, 9999999, "1899.12.29 23:59:59.999999900"},
        {"2000-02-29 12:00:00", 730178, 43200, 0, "2000.02.29 12:00:00.000000000"},
        {"2000-02-29 12:00:01.1", 730178, 43201, 1000000, "2000.02.29 12:00:01.100000000"},
        {"2000-02-29 12:00:02.12", 730178, 43202, 1200000, "2000.02.29 12:00:02.120000000"},
        {"2000-02-29 12:00:03.123", 730178, 43203, 1230000, "2000.02.29 12:00:03.123000000"},
        {"2000-02-29 12:00:04.1234", 730178, 43204, 1234000, "2000.02.29 12:00:04.123400000"},
        {"2000-02-29 12:00:05.12345", 730178, 43205, 1234500, "2000.02.29 12:00:05.123450000"},
        {"2000-02-29T12:00:06.123456", 730178, 43206, 1234560, "2000.02.29 12:00:06.123456000"},
        {"2000-02-29 12:00:07.1234567", 730178, 43207, 1234567, "2000.02.29 12:00:07.123456700"},
        {mkmdb::DateTimeExtended{2000, 2, 29, 23, 59, 59, 1}, 730178, 86399, 1,
         "2000.02.29 23:59:59.000000100"},
        {mkmdb::DateTimeExtended{}, 0, 0, 0, "0001.01.01 00:00:00.000000000"},
    };
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2019);
    auto& table =
        db.addTable("Tempi", {{"N", Type::Integer, {}}, {"Istante", Type::DateTimeExtended, {}}});
    for (std::size_t i = 0; i < std::size(cases); ++i)
        table.addRow({static_cast<int>(i), cases[i].value});
    table.addRow({99, mkmdb::Null{}});
    TempDir dir;
    const fs::path path = dir.file("tempi.accdb");
    mkmdb::write(db, path);
    const std::string file = fileBytes(path);
    const Json dump = readerDump(path, "--table Tempi");
    const Json& rows = dump.at("tables").at("Tempi").at("rows");
    ASSERT_EQ(rows.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].reader);
        EXPECT_EQ(scalarText(rows[i][1]), cases[i].reader) << "mdb-reader";
        EXPECT_GE(occurrences(file, extendedBytes(cases[i].days, cases[i].seconds, cases[i].ticks)),
                  1u)
            << "stored bytes";
    }
    EXPECT_EQ(scalarText(rows[std::size(cases)][1]), "null");
    std::vector<Json> tool = mdbJsonRows(path, "Tempi");
    ASSERT_EQ(tool.size(), std::size(cases) + 1);
    EXPECT_EQ(mdbtoolsText(tool.back(), "N"), "99");

    for (const char* bad :
         {"0000-01-01", "10000-01-01", "2020-13-01", "2020-00-01", "2019-02-29", "2020-04-31",
          "2020-01-00", "2020-01-01 24:00:00", "2020-01-01 23:60:00", "2020-01-01 23:59:60",
          "2020-01-01 12:00:00.12345678", "2020-01-01 12:00:00.", "2020-01-01 12:00:00.1x",
          "2020-01-01 12:00", "2020-01-01 ", "01-01-2020"})
        EXPECT_THROW(mkmdb::parseDateTimeExtended(bad), std::invalid_argument) << bad;
    const mkmdb::DateTimeExtended badValues[] = {
        {0, 12, 31, 23, 59, 59, 9999999}, {10000, 1, 1, 0, 0, 0, 0},
        {2020, 13, 1, 0, 0, 0, 0},        {2020, 1, 32, 0, 0, 0, 0},
        {2020, 1, 1, 24, 0, 0, 0},        {2020, 1, 1, 0, 0, 0, 10000000},
        {2020, 1, 1, 0, 0, 0, -1},
    };
    for (const mkmdb::DateTimeExtended& bad : badValues) {
        mkmdb::Database refused;
        refused.setVersion(mkmdb::Version::Ace2019);
        refused.addTable("Tempi", {{"Istante", Type::DateTimeExtended, {}}})
            .addRow({"2020-01-01"})
            .addRow({bad});
        try {
            mkmdb::write(refused, dir.file("no.accdb"));
            ADD_FAILURE() << "written: year " << bad.year << " ticks " << bad.ticks;
        } catch (const mkmdb::Error& e) {
            EXPECT_EQ(e.column(), "Istante");
            EXPECT_EQ(e.row(), 2u);
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("no.accdb")));
}

// Two values of the file saved by Access 2019 hold the same 42 bytes mkmdb
// writes for them.
TEST(MkmdbAce, DateTimeExtendedBytesAreThoseAccessWrites) {
    REQUIRE_REAL_FILES();
    const std::string access = fileBytes(realFile("extDateTestV2019.accdb"));
    ASSERT_FALSE(access.empty());
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Ace2019);
    db.addTable("T", {{"D", Type::DateTimeExtended, {}}})
        .addRow({"2021-06-14 12:45:00"})
        .addRow({"2021-06-14 22:45:12.3456789"});
    TempDir dir;
    mkmdb::write(db, dir.file("t.accdb"));
    const std::string ours = fileBytes(dir.file("t.accdb"));
    for (const std::string& bytes :
         {extendedBytes(737954, 45900, 0), extendedBytes(737954, 81912, 3456789)}) {
        EXPECT_GE(occurrences(access, bytes), 1u) << "Access";
        EXPECT_EQ(occurrences(ours, bytes), 1u) << "mkmdb";
    }
}

TEST(MkmdbAce, WhatAVersionCannotHoldIsRefused) {
    const struct {
        mkmdb::Version version;
        Type type;
        const char* refusal;  // nullptr: written
    } cases[] = {
        {mkmdb::Version::Jet3, Type::LargeNumber,
         "Access 2016 or later database; this one is Access 97"},
        {mkmdb::Version::Jet4, Type::LargeNumber,
         "Access 2016 or later database; this one is Access 2000-2003"},
        {mkmdb::Version::Ace2007, Type::LargeNumber,
         "Access 2016 or later database; this one is Access 2007"},
        {mkmdb::Version::Ace2010, Type::LargeNumber,
         "Access 2016 or later database; this one is Access 2010"},
        {mkmdb::Version::Ace2016, Type::LargeNumber, nullptr},
        {mkmdb::Version::Ace2019, Type::LargeNumber, nullptr},
        {mkmdb::Version::Jet4, Type::DateTimeExtended,
         "Access 2019 database; this one is Access 2000-2003"},
        {mkmdb::Version::Ace2010, Type::DateTimeExtended,
         "Access 2019 database; this one is Access 2010"},
        {mkmdb::Version::Ace2016, Type::DateTimeExtended,
         "Access 2019 database; this one is Access 2016"},
        {mkmdb::Version::Ace2019, Type::DateTimeExtended, nullptr},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.version)) + " type " +
                     std::to_string(static_cast<int>(c.type)));
        mkmdb::Database db;
        db.setVersion(c.version);
        db.addTable("Tabella", {{"Id", Type::Long, {}}, {"Nuovo", c.type, {}}})
            .addRow({1, mkmdb::Null{}});
        const fs::path path = dir.file("v.db");
        try {
            mkmdb::write(db, path);
            EXPECT_EQ(c.refusal, nullptr) << "written";
        } catch (const mkmdb::Error& e) {
            ASSERT_NE(c.refusal, nullptr) << e.what();
            EXPECT_EQ(e.table(), "Tabella");
            EXPECT_EQ(e.column(), "Nuovo");
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        }
        EXPECT_EQ(fs::exists(path), c.refusal == nullptr);
        fs::remove(path);
    }

    // A password only where the header keeps one.
    for (mkmdb::Version version : {mkmdb::Version::Ace2007, mkmdb::Version::Ace2019}) {
        mkmdb::Database db;
        db.setVersion(version);
        db.setPassword("segreto");
        db.addTable("T", {{"A", Type::Long, {}}});
        EXPECT_THROW(mkmdb::write(db, dir.file("p.accdb")), mkmdb::Error);
        EXPECT_FALSE(fs::exists(dir.file("p.accdb")));
    }
    mkmdb::Database unknown;
    unknown.setVersion(static_cast<mkmdb::Version>(2013));
    unknown.addTable("T", {{"A", Type::Long, {}}});
    EXPECT_THROW(mkmdb::write(unknown, dir.file("u.accdb")), mkmdb::Error);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(MkmdbAce, DescriptionVersionsAndTypeNames) {
    const struct {
        const char* version;
        bool known;
    } versions[] = {{"3", true},     {"4", true},     {"2007", true},      {"2010", true},
                    {"2016", true},  {"2019", true},  {"2", false},        {"5", false},
                    {"2013", false}, {"2020", false}, {"\"2019\"", false}, {"2019.0", false},
                    {"-2019", false}};
    for (const auto& v : versions) {
        SCOPED_TRACE(v.version);
        const std::string json = std::string(R"({"version": )") + v.version + R"(, "tables": []})";
        if (v.known) {
            EXPECT_EQ(static_cast<int>(mkmdb::parseDescription(json).version()),
                      std::stoi(v.version));
        } else {
            EXPECT_THROW(mkmdb::parseDescription(json), mkmdb::Error);
        }
    }
    const struct {
        const char* name;
        Type type;
    } names[] = {{"\"LargeNumber\"", Type::LargeNumber},
                 {"\"Large Number\"", Type::LargeNumber},
                 {"\"bigint\"", Type::LargeNumber},
                 {"16", Type::LargeNumber},
                 {"\"DateTimeExtended\"", Type::DateTimeExtended},
                 {"\"Date/Time Extended\"", Type::DateTimeExtended},
                 {"26", Type::DateTimeExtended}};
    for (const auto& n : names) {
        SCOPED_TRACE(n.name);
        mkmdb::Database db = mkmdb::parseDescription(
            std::string(R"({"tables": [{"name": "T", "columns": [{"name": "C", "type": )") +
            n.name + "}]}]}");
        EXPECT_EQ(db.tables().front().columns().front().type, n.type);
    }
    for (const char* code : {"17", "25", "27"})
        EXPECT_THROW(
            mkmdb::parseDescription(
                std::string(R"({"tables": [{"name": "T", "columns": [{"name": "C", "type": )") +
                code + "}]}]}"),
            mkmdb::Error)
            << code;
}

}  // namespace
