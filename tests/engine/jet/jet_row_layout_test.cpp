// Rows as they lie on their pages, read back from databases written by mkmdb
// and compared with what was written and with mdbtools: rows written before
// columns were added to their table, and Jet 3 rows around each 256-byte jump.
#include <gtest/gtest.h>

#include "jet/jet.h"
#include "jet_pages.h"
#include "mdb_json.h"
#include "mkmdb.h"
#include "support.h"

namespace {

using T = mkmdb::Type;

std::string utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// A column added to a table leaves the rows written before it alone: they keep
// their column count and a null mask as long as that count needs. Their new
// columns read as Null, a Yes/No one as No, also where the column's bit lies
// past the end of the row's mask (from the ninth column on, a mask's byte
// being full). The rows are written by mkmdb into a table of three columns,
// and their page is moved into a table of twenty.
TEST(RowLayout, ColumnsAddedAfterARowWasWrittenReadAsNull) {
    const std::vector<mkmdb::Column> first = {
        {"ID", T::Long, {}}, {"Nome", T::Text, {.size = 40}}, {"Attivo", T::Boolean, {}}};
    std::vector<mkmdb::Column> all = first;
    for (int i = 3; i < 20; ++i) {
        const T type = i % 3 == 0 ? T::Boolean : i % 3 == 1 ? T::Long : T::Text;
        all.push_back({"Nuova" + std::to_string(i), type, {}});
    }
    const std::vector<mkmdb::Row> rows = {{1, "Rossi", true},
                                          {2, mkmdb::Null{}, false},
                                          {3, "", true},
                                          {4, "Verdi", false},
                                          {5, "Neri", true}};

    for (mkmdb::Version v : {mkmdb::Version::Jet3, mkmdb::Version::Jet4}) {
        SCOPED_TRACE(v == mkmdb::Version::Jet3 ? "Jet 3" : "Jet 4");
        support::TempDir dir;
        mkmdb::Database before, after;
        before.setVersion(v);
        after.setVersion(v);
        auto& old = before.addTable("Storia", first);
        for (const auto& r : rows) old.addRow(r);
        mkmdb::Row full = {9, "nuova", true};
        for (std::size_t c = 3; c < all.size(); ++c)
            full.push_back(all[c].type == T::Boolean ? mkmdb::Value(true)
                           : all[c].type == T::Long  ? mkmdb::Value(static_cast<int>(c))
                                                     : mkmdb::Value("testo"));
        after.addTable("Storia", all).addRow(full);
        mkmdb::write(before, dir.file("before.mdb"));
        mkmdb::write(after, dir.file("after.mdb"));

        support::JetPages oldPages(dir.file("before.mdb"));
        support::JetPages pages(dir.file("after.mdb"));
        const std::uint32_t definition = pages.definitionWithColumn("Nuova19");
        const std::uint32_t oldDefinition = oldPages.definitionWithColumn("Attivo");
        ASSERT_EQ(pages.dataPages(definition).size(), 1u);
        ASSERT_EQ(oldPages.dataPages(oldDefinition).size(), 1u);
        pages.replaceDataPage(pages.dataPages(definition)[0], oldPages,
                              oldPages.dataPages(oldDefinition)[0], definition);
        const std::string path = dir.file("storia.mdb");
        pages.save(path);

        auto table = jet::Database::open(path)->openTable(u"Storia");
        ASSERT_EQ(table->columns().size(), all.size());
        engine::Row row;
        for (const auto& r : rows) {
            SCOPED_TRACE(r[0].integer());
            ASSERT_TRUE(table->next(row));
            EXPECT_EQ(row[0].integer, r[0].integer());
            EXPECT_EQ(row[1].isNull(), r[1].isNull());
            if (!r[1].isNull()) {
                EXPECT_EQ(utf8(row[1].text), r[1].text());
            }
            EXPECT_EQ(row[2].boolean, r[2].boolean());
            for (std::size_t c = 3; c < all.size(); ++c) {
                if (all[c].type == T::Boolean) {
                    EXPECT_EQ(row[c].type, engine::Type::Boolean) << all[c].name;
                    EXPECT_FALSE(row[c].boolean) << all[c].name;
                } else {
                    EXPECT_TRUE(row[c].isNull()) << all[c].name;
                }
            }
        }
        EXPECT_FALSE(table->next(row));

        // mdbtools reads the same rows: the first columns as written, the new
        // ones absent (Null), Yes/No ones as 0.
        if (!support::haveMdbtools()) continue;
        const auto theirs = support::mdbJsonRows(path, "Storia");
        ASSERT_EQ(theirs.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(support::mdbText(theirs[i], "ID"), std::to_string(rows[i][0].integer()));
            for (std::size_t c = 3; c < all.size(); ++c) {
                EXPECT_EQ(support::mdbText(theirs[i], all[c].name),
                          all[c].type == T::Boolean ? "0" : "null")
                    << all[c].name;
            }
        }
    }
}

// Jet 3 rows whose length reaches each multiple of 256 (one jump byte more per
// 256 bytes of row), with the columns' data before each boundary or a column
// starting past it. The row of a table of a Long and three texts takes 11
// bytes beside its texts, plus its jump bytes; mkmdb writes the fewest jumps
// that agree with the row's length, so 257 and 513 bytes are never reached
// (the reader's own test builds those).
TEST(RowLayout, Jet3RowsAroundEach256ByteJumpReadBack) {
    struct Case {
        unsigned length;
        unsigned a, b, c;  // lengths of the three texts
        const char* what;
    };
    const Case cases[] = {
        {255, 244, 0, 0, "no jump"},
        {255, 100, 100, 44, "no jump, three texts"},
        {256, 245, 0, 0, "no jump, the last byte at 255"},
        {256, 0, 120, 125, "no jump, three texts"},
        {258, 246, 0, 0, "the texts end before 256: a dummy jump"},
        {258, 100, 100, 46, "three texts before 256: a dummy jump"},
        {511, 252, 247, 0, "the second text starts past 256"},
        {511, 0, 244, 255, "every text starts before 256, only the end past it"},
        {512, 251, 249, 0, "the second text starts at 256"},
        {512, 0, 245, 255, "only the end past 256"},
        {514, 252, 249, 0, "the second text past 256, a dummy second jump"},
        {514, 0, 246, 255, "only the end past 256, a dummy second jump"},
    };
    mkmdb::Database db;
    db.setVersion(mkmdb::Version::Jet3);
    auto& t = db.addTable("Righe", {{"N", T::Long, {}},
                                    {"Primo", T::Text, {.size = 255}},
                                    {"Secondo", T::Text, {.size = 255}},
                                    {"Terzo", T::Text, {.size = 255}}});
    const auto text = [](unsigned length, char first) {
        std::string s;
        for (unsigned i = 0; i < length; ++i) s += static_cast<char>(first + i % 23);
        return s;
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        t.addRow({static_cast<int>(i), text(c.a, 'a'), text(c.b, 'A'), text(c.c, '0')});
    }
    support::TempDir dir;
    const std::string path = dir.file("righe.mdb");
    mkmdb::write(db, path);

    // The rows have the lengths meant, in page order as the reader reads them.
    support::JetPages pages(path);
    std::vector<unsigned> lengths;
    for (std::uint32_t n : pages.dataPages(pages.definitionWithColumn("Terzo"))) {
        const auto onPage = pages.rowLengths(n);
        lengths.insert(lengths.end(), onPage.begin(), onPage.end());
    }
    ASSERT_EQ(lengths.size(), std::size(cases));

    auto table = jet::Database::open(path)->openTable(u"Righe");
    const auto theirs = support::haveMdbtools() ? support::mdbJsonRows(path, "Righe")
                                                : std::vector<support::MdbRow>{};
    engine::Row row;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << c.length << " bytes, " << c.what);
        EXPECT_EQ(lengths[i], c.length);
        ASSERT_TRUE(table->next(row));
        EXPECT_EQ(row[0].integer, static_cast<std::int64_t>(i));
        EXPECT_EQ(utf8(row[1].text), text(c.a, 'a'));
        EXPECT_EQ(utf8(row[2].text), text(c.b, 'A'));
        EXPECT_EQ(utf8(row[3].text), text(c.c, '0'));
        if (theirs.empty()) continue;
        // mdb-json leaves empty texts out.
        for (auto [column, expected] : {std::pair{"Primo", text(c.a, 'a')},
                                        {"Secondo", text(c.b, 'A')},
                                        {"Terzo", text(c.c, '0')}})
            EXPECT_EQ(support::mdbText(theirs[i], column), expected.empty() ? "null" : expected)
                << column;
    }
    EXPECT_FALSE(table->next(row));
}

}  // namespace
