// Database structure: catalogue and system tables, names, wide tables, long
// values in their three forms, the password, as both readers see them.
#include <algorithm>
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Type;
using mkmdb::Json;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<std::string> texts(const Json& array) {
    std::vector<std::string> out;
    for (const Json& v : array) out.push_back(scalarText(v));
    return out;
}

TEST(MkmdbStructure, CatalogueListsUserAndSystemTablesLikeARealDatabase) {
    MKMDB_REQUIRE_READERS();
    const std::string longName(64, 'N');
    const std::vector<std::string> names = {"Clienti", "Ordini del mese", "Città e Località", longName, "Ωmega 東京"};
    mkmdb::Database db;
    for (const std::string& n : names) db.addTable(n, {{"Id", Type::Long, {}}}).addRow({1});
    TempDir dir;
    auto path = dir.file("catalogo.mdb");
    mkmdb::write(db, path);

    CommandResult version = run("mdb-ver " + shellQuote(path.string()));
    EXPECT_EQ(version.out, "JET4\n");

    CommandResult user = run("mdb-tables -1 " + shellQuote(path.string()));
    CommandResult all = run("mdb-tables -S -1 " + shellQuote(path.string()));
    ASSERT_EQ(user.status, 0);
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(lines(user.out), names);
    std::vector<std::string> system = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
    std::vector<std::string> expectAll = system;
    expectAll.insert(expectAll.end(), names.begin(), names.end());
    EXPECT_EQ(lines(all.out), expectAll);

    Json dump = readerDump(path);
    EXPECT_EQ(texts(dump.at("userTables")), names);
    EXPECT_EQ(texts(dump.at("systemTables")), system);
    // The system tables open as tables too, MSysObjects with a row per object.
    const Json& objects = dump.at("tables").at("MSysObjects");
    EXPECT_EQ(objects.at("rows").size(), 12u + names.size());
    for (const std::string& n : names) {
        const auto rows = mdbJsonRows(path, n);
        ASSERT_EQ(rows.size(), 1u) << n;
        EXPECT_EQ(mdbtoolsText(rows[0], "Id"), "1");
    }
}

// Hundreds of tables put the catalogue itself over many data pages.
TEST(MkmdbStructure, ManyTablesAllReachTheCatalogue) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    std::vector<std::string> names;
    for (int i = 0; i < 600; ++i) {
        names.push_back("Tabella numero " + std::to_string(1000 + i) + " con un nome piuttosto lungo");
        db.addTable(names.back(), {{"N", Type::Long, {}}}).addRow({i});
    }
    TempDir dir;
    auto path = dir.file("tante.mdb");
    mkmdb::write(db, path);
    EXPECT_EQ(lines(run("mdb-tables -1 " + shellQuote(path.string())).out), names);
    Json dump = readerDump(path, "--table MSysObjects");
    EXPECT_EQ(texts(dump.at("userTables")), names);
    EXPECT_EQ(dump.at("tables").at("MSysObjects").at("rows").size(), 12u + names.size());
    const auto last = mdbJsonRows(path, names.back());
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(mdbtoolsText(last[0], "N"), "599");
}

// 255 columns with 64-character names need a table definition over several pages.
TEST(MkmdbStructure, WidestTableWithLongestNamesReadsBack) {
    MKMDB_REQUIRE_READERS();
    std::vector<mkmdb::Column> columns;
    mkmdb::Row row;
    for (int i = 0; i < 255; ++i) {
        std::string name = "Colonna numero " + std::to_string(i) + " è";
        name.resize(name.size() + (64 - mkmdb::utf8ToUtf16(name).size()), 'x');
        columns.push_back({name, i % 3 == 0 ? Type::Text : Type::Long, {.size = 4}});
        if (i % 3 == 0) row.push_back(std::to_string(i));
        else row.push_back(i * 1000);
    }
    mkmdb::Database db;
    db.addTable("Larga", columns).addRow(row).addRow(mkmdb::Row(255));
    TempDir dir;
    auto path = dir.file("larga.mdb");
    mkmdb::write(db, path);

    Json dump = readerDump(path, "--table Larga");
    const Json& t = dump.at("tables").at("Larga");
    const auto& readColumns = t.at("columns");
    ASSERT_EQ(readColumns.size(), 255u);
    const auto& rows = t.at("rows");
    ASSERT_EQ(rows.size(), 2u);
    const auto toolRows = mdbJsonRows(path, "Larga");
    ASSERT_EQ(toolRows.size(), 2u);
    for (int i = 0; i < 255; ++i) {
        EXPECT_EQ(readColumns[i].at("name").get<std::string>(), columns[i].name);
        std::string expectTool = i % 3 == 0 ? std::to_string(i) : std::to_string(i * 1000);
        std::string expectReader = i % 3 == 0 ? u(mkmdb::utf8ToUtf16(std::to_string(i))) : expectTool;
        EXPECT_EQ(scalarText(rows[0][i]), expectReader) << columns[i].name;
        EXPECT_EQ(scalarText(rows[1][i]), "null") << columns[i].name;
        EXPECT_EQ(mdbtoolsText(toolRows[0], columns[i].name), expectTool) << columns[i].name;
    }
}

// Memo and OLE values of every size: inline in the row, one long-value
// page, or a chain of pages.
TEST(MkmdbStructure, LongValuesOfEverySizeReadBackExactly) {
    MKMDB_REQUIRE_READERS();
    const std::vector<std::size_t> sizes = {0, 1, 100, 255, 256, 257, 1000, 4000, 4079, 4080, 4081, 10000, 100000, 300000};
    mkmdb::Database db;
    auto& table = db.addTable("Lunghi", {{"N", Type::Long, {}},
                                         {"Nota", Type::Memo, {}},
                                         {"Nota larga", Type::Memo, {}},
                                         {"Allegato", Type::LongBinary, {}}});
    std::vector<std::u16string> narrow, wide;
    std::vector<std::string> blobs;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::size_t n = sizes[i];
        std::u16string a, w;
        std::string bytes;
        for (std::size_t k = 0; k < n; ++k) {
            a.push_back(static_cast<char16_t>(u'a' + (k * 7 + i) % 26));
            w.push_back(k % 5 == 0 ? u'€' : static_cast<char16_t>(u'à' + k % 7));
            bytes.push_back(static_cast<char>((k * 31 + i) & 0xFF));
        }
        // Memo text is compressed up to 1024 characters, two bytes per
        // character beyond; the sizes straddle the three placements.
        narrow.push_back(a);
        wide.push_back(w.substr(0, n / 2));
        blobs.push_back(bytes);
        table.addRow({static_cast<int>(i), narrow.back(), wide.back(), mkmdb::Bytes{bytes}});
    }
    TempDir dir;
    auto path = dir.file("lunghi.mdb");
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    EXPECT_GT(stats.inlineLongValues, 0u);
    EXPECT_GT(stats.singlePageLongValues, 0u);
    EXPECT_GT(stats.chainedLongValues, 0u);
    EXPECT_EQ(stats.inlineLongValues + stats.singlePageLongValues + stats.chainedLongValues, 3 * sizes.size());

    Json dump = readerDump(path, "--table Lunghi");
    const auto& rows = dump.at("tables").at("Lunghi").at("rows");
    ASSERT_EQ(rows.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE("size " + std::to_string(sizes[i]));
        EXPECT_EQ(scalarText(rows[i][1]), u(narrow[i]));
        EXPECT_EQ(scalarText(rows[i][2]), u(wide[i]));
        EXPECT_EQ(scalarText(rows[i][3]), b(blobs[i]));
    }
    // mdbtools binds values into a 200,000-byte buffer: compare up to that.
    const auto toolRows = mdbJsonRows(path, "Lunghi");
    ASSERT_EQ(toolRows.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] == 0 || sizes[i] > 60000) continue;
        SCOPED_TRACE("size " + std::to_string(sizes[i]));
        EXPECT_EQ(u(mkmdb::utf8ToUtf16(mdbtoolsText(toolRows[i], "Nota"))), u(narrow[i]));
        // mdb-json leaves out empty values.
        if (wide[i].empty()) {
            EXPECT_EQ(mdbtoolsText(toolRows[i], "Nota larga"), "null");
        } else {
            EXPECT_EQ(u(mkmdb::utf8ToUtf16(mdbtoolsText(toolRows[i], "Nota larga"))), u(wide[i]));
        }
        EXPECT_EQ(mdbtoolsText(toolRows[i], "Allegato"), b(blobs[i]));
    }
}

TEST(MkmdbStructure, RowsThatOverflowAPageMoveTheirLongValuesOut) {
    MKMDB_REQUIRE_READERS();
    // Twenty memos of 200 bytes each would be inline by size, yet cannot
    // all stay in one 4 kB row.
    std::vector<mkmdb::Column> columns;
    mkmdb::Row row;
    for (int i = 0; i < 20; ++i) {
        columns.push_back({"M" + std::to_string(i), Type::Memo, {.compressed = false}});
        row.push_back(std::string(100, static_cast<char>('A' + i)));
    }
    mkmdb::Database db;
    db.addTable("Piena", columns).addRow(row);
    TempDir dir;
    auto path = dir.file("piena.mdb");
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    EXPECT_GT(stats.singlePageLongValues, 0u);
    EXPECT_GT(stats.inlineLongValues, 0u);
    Json dump = readerDump(path, "--table Piena");
    const auto& rows = dump.at("tables").at("Piena").at("rows");
    ASSERT_EQ(rows.size(), 1u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(scalarText(rows[0][i]), u(std::u16string(100, static_cast<char16_t>(u'A' + i))));
}

// A row of one Boolean is three bytes: far more would fit in a page than a
// row pointer's one-byte row number can address.
TEST(MkmdbStructure, TinyRowsStopAt255PerPage) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    auto& table = db.addTable("Minima", {{"Sì", Type::Boolean, {}}});
    for (int i = 0; i < 2000; ++i) table.addRow({i % 3 == 0});
    TempDir dir;
    auto path = dir.file("minima.mdb");
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    EXPECT_GE(stats.pages, 8u + 2000 / 255);
    Json dump = readerDump(path, "--table Minima");
    const auto& rows = dump.at("tables").at("Minima").at("rows");
    ASSERT_EQ(rows.size(), 2000u);
    const auto toolRows = mdbJsonRows(path, "Minima");
    ASSERT_EQ(toolRows.size(), 2000u);
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(scalarText(rows[i][0]), i % 3 == 0 ? "true" : "false") << i;
        EXPECT_EQ(mdbtoolsText(toolRows[i], "Sì"), i % 3 == 0 ? "1" : "0") << i;
    }
}

TEST(MkmdbStructure, PasswordIsStoredMaskedInTheHeader) {
    MKMDB_REQUIRE_READERS();
    TempDir dir;
    for (std::string password : {"", "segreto", "Ünïcødé-20-caratteri"}) {
        SCOPED_TRACE(password);
        mkmdb::Database db;
        db.setPassword(password);
        db.addTable("T", {{"Id", Type::Long, {}}}).addRow({7});
        auto path = dir.file("password.mdb");
        mkmdb::write(db, path);
        Json dump = readerDump(path);
        EXPECT_EQ(scalarText(dump.at("password")), password.empty() ? "null" : password);
        // The password must not appear in clear.
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!password.empty()) {
            std::string ucs2;
            for (char16_t c : mkmdb::utf8ToUtf16(password)) {
                ucs2.push_back(static_cast<char>(c & 0xFF));
                ucs2.push_back(static_cast<char>(c >> 8));
            }
            EXPECT_EQ(bytes.find(ucs2), std::string::npos);
        }
        // Still a readable database for mdbtools.
        EXPECT_EQ(mdbtoolsText(mdbJsonRows(path, "T").at(0), "Id"), "7");
    }
    mkmdb::Database db;
    EXPECT_THROW(db.setPassword(std::string(21, 'x')), mkmdb::Error);
}

TEST(MkmdbStructure, SameDescriptionAndDateGiveTheSameBytes) {
    auto make = [](const std::filesystem::path& p) {
        mkmdb::Database db;
        db.setCreationDate(mkmdb::parseDate("2024-05-01 10:00:00"));
        db.addTable("T", {{"Nome", Type::Text, {}}, {"Nota", Type::Memo, {}}})
            .addRow({"uno", std::string(5000, 'x')})
            .addRow({"due", mkmdb::Null{}});
        mkmdb::write(db, p);
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    TempDir dir;
    std::string first = make(dir.file("a.mdb"));
    std::string second = make(dir.file("b.mdb"));
    EXPECT_EQ(first.size() % 4096, 0u);
    EXPECT_TRUE(first == second);
}

}  // namespace
