// Jet 3 (Access 97) output: 2 kB pages, code page 1252 text, one-byte row
// offsets. Values of every type are covered by the random tables; here the
// structure, long values, large tables and what Jet 3 cannot hold.
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Type;
using mkmdb::Json;

TEST(MkmdbJet3, CatalogueAndValuesReadBackInBothReaders) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Jet3);
    db.setPassword("vecchio");
    db.addTable("Città", {{"Nome", Type::Text, {.size = 40}}, {"Abitanti", Type::Long, {}}, {"Nota", Type::Memo, {}}})
        .addRow({"Forlì", 117946, "€ – “virgolette”"})
        .addRow({"Cantù", mkmdb::Null{}, mkmdb::Null{}});
    TempDir dir;
    auto path = dir.file("vecchio.mdb");
    mkmdb::write(db, path);

    EXPECT_EQ(run("mdb-ver " + shellQuote(path.string())).out, "JET3\n");
    EXPECT_EQ(run("mdb-tables -1 " + shellQuote(path.string())).out, "Città\n");
    EXPECT_EQ(run("mdb-tables -S -1 " + shellQuote(path.string())).out,
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\nCittà\n");
    EXPECT_EQ(std::filesystem::file_size(path) % 2048, 0u);

    Json dump = readerDump(path);
    EXPECT_EQ(scalarText(dump.at("password")), "vecchio");
    const auto& rows = dump.at("tables").at("Città").at("rows");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(scalarText(rows[0][0]), u(u"Forlì"));
    EXPECT_EQ(scalarText(rows[0][1]), "117946");
    EXPECT_EQ(scalarText(rows[0][2]), u(u"€ – “virgolette”"));
    EXPECT_EQ(scalarText(rows[1][1]), "null");
    const auto toolRows = mdbJsonRows(path, "Città");
    ASSERT_EQ(toolRows.size(), 2u);
    EXPECT_EQ(mdbtoolsText(toolRows[0], "Nome"), "Forlì");
    EXPECT_EQ(mdbtoolsText(toolRows[0], "Nota"), "€ – “virgolette”");
    EXPECT_EQ(mdbtoolsText(toolRows[1], "Nome"), "Cantù");
}

TEST(MkmdbJet3, LongValuesInAllThreePlaces) {
    MKMDB_REQUIRE_READERS();
    const std::vector<std::size_t> sizes = {0, 100, 256, 257, 2000, 2036, 2037, 5000, 100000};
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Jet3);
    auto& table = db.addTable("Lunghi", {{"Testo", Type::Memo, {}}, {"Dati", Type::LongBinary, {}}});
    std::vector<std::string> texts, blobs;
    for (std::size_t n : sizes) {
        std::string text, bytes;
        for (std::size_t k = 0; k < n; ++k) {
            text.push_back(static_cast<char>('a' + k % 26));
            bytes.push_back(static_cast<char>(k * 13 & 0xFF));
        }
        texts.push_back(text);
        blobs.push_back(bytes);
        table.addRow({text, mkmdb::Bytes{bytes}});
    }
    TempDir dir;
    auto path = dir.file("lunghi3.mdb");
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    EXPECT_GT(stats.inlineLongValues, 0u);
    EXPECT_GT(stats.singlePageLongValues, 0u);
    EXPECT_GT(stats.chainedLongValues, 0u);
    Json dump = readerDump(path, "--table Lunghi");
    const auto& rows = dump.at("tables").at("Lunghi").at("rows");
    ASSERT_EQ(rows.size(), sizes.size());
    const auto toolRows = mdbJsonRows(path, "Lunghi");
    ASSERT_EQ(toolRows.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE("size " + std::to_string(sizes[i]));
        EXPECT_EQ(scalarText(rows[i][0]), u(std::u16string(texts[i].begin(), texts[i].end())));
        EXPECT_EQ(scalarText(rows[i][1]), b(blobs[i]));
        if (sizes[i] > 0) {
            EXPECT_EQ(mdbtoolsText(toolRows[i], "Testo"), texts[i]);
            EXPECT_EQ(mdbtoolsText(toolRows[i], "Dati"), b(blobs[i]));
        }
    }
}

// One row per 2 kB page: enough pages that the table's usage map needs
// usage-map pages (an inline map covers about 12,000 pages here).
TEST(MkmdbJet3, LargeTableUsesUsageMapPages) {
    MKMDB_REQUIRE_READERS();
    constexpr int kRows = 14000;
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Jet3);
    db.addTable("Grande", {{"N", Type::Long, {}}, {"A", Type::Binary, {}}, {"B", Type::Binary, {}},
                           {"C", Type::Binary, {}}, {"D", Type::Binary, {}}})
        .generateRows(kRows, [](std::uint64_t i, mkmdb::Row& row) {
            row[0] = static_cast<std::int64_t>(i);
            for (int c = 1; c <= 4; ++c) row[c] = mkmdb::Bytes{std::string(255, static_cast<char>('A' + c))};
        });
    TempDir dir;
    auto path = dir.file("grande3.mdb");
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    EXPECT_GT(stats.pages, static_cast<std::uint64_t>(kRows));

    Json objects = readerDump(path, "--table MSysObjects");
    std::uint32_t tdef = 0;
    for (const auto& row : objects.at("tables").at("MSysObjects").at("rows"))
        if (scalarText(row[2]) == u(u"Grande")) tdef = static_cast<std::uint32_t>(std::stoul(scalarText(row[0])));
    ASSERT_NE(tdef, 0u);
    std::ifstream in(path, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(file.at(at)); };
    std::size_t pointer = byte(tdef * 2048u + 35) | byte(tdef * 2048u + 36) << 8 | byte(tdef * 2048u + 37) << 16 |
                          static_cast<std::size_t>(byte(tdef * 2048u + 38)) << 24;
    std::size_t page = pointer >> 8, row = pointer & 0xFF;
    std::size_t offset = (byte(page * 2048 + 10 + 2 * row) | byte(page * 2048 + 11 + 2 * row) << 8) & 0x1FFF;
    EXPECT_EQ(byte(page * 2048 + offset), 1) << "usage map type";

    Json dump = readerDump(path, "--table Grande --fingerprint");
    EXPECT_EQ(scalarText(dump.at("tables").at("Grande").at("rowsRead")), std::to_string(kRows));
    CommandResult last = run("mdb-export -H " + shellQuote(path.string()) + " Grande | tail -1 | cut -d, -f1");
    EXPECT_EQ(last.out, std::to_string(kRows - 1) + "\n");
    CommandResult count = run("mdb-export -H " + shellQuote(path.string()) + " Grande | wc -l");
    EXPECT_EQ(count.out, std::to_string(kRows) + "\n");
}

TEST(MkmdbJet3, WhatJet3CannotHoldIsRefused) {
    TempDir dir;
    auto path = dir.file("no.mdb");
    {
        mkmdb::Database db;
        db.setVersion(mkmdb::Version::Jet3);
        db.addTable("T", {{"Prezzo", Type::Decimal, {}}});
        try {
            mkmdb::write(db, path);
            ADD_FAILURE() << "Decimal accepted";
        } catch (const mkmdb::Error& e) {
            EXPECT_EQ(e.column(), "Prezzo");
            EXPECT_NE(std::string(e.what()).find("no Decimal"), std::string::npos) << e.what();
        }
    }
    {
        mkmdb::Database db;
        db.setVersion(mkmdb::Version::Jet3);
        db.addTable("T", {{"Nome", Type::Text, {}}}).addRow({"Milano"}).addRow({"東京"});
        try {
            mkmdb::write(db, path);
            ADD_FAILURE() << "a character outside code page 1252 accepted";
        } catch (const mkmdb::Error& e) {
            EXPECT_EQ(e.column(), "Nome");
            EXPECT_EQ(e.row(), 2u);
            EXPECT_NE(std::string(e.what()).find("U+6771"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
