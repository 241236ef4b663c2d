// Linked tables: where their database is looked for, the table they name in it
// (ForeignName), links the engine refuses, and chains of links. mkmdb writes no
// links: a database whose catalogue lists them is made from a table of its own
// moved into the catalogue's place (support/jet_pages.h).
#include <gtest/gtest.h>

#include <fstream>

#include "jet/jet.h"
#include "jet/table_def.h"
#include "jet_pages.h"
#include "mkmdb.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using support::errorNumberOf;

TEST(LinkedPath, StoredPathElseSameNameBesideElseError3024) {
    support::TempDir dir;
    fs::create_directories(dir.path() / "elsewhere");
    fs::create_directories(dir.path() / "here" / "cartella.mdb");
    for (const char* f : {"elsewhere/dati.mdb", "here/clienti.mdb", "here/main.mdb"})
        std::ofstream(dir.file(f)) << "x";
    const std::string mainDb = dir.file("here/main.mdb");
    const auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };

    struct Case {
        std::string stored;
        std::string expected;  // empty: error 3024
    };
    const Case cases[] = {
        {dir.file("elsewhere/dati.mdb"), dir.file("elsewhere/dati.mdb")},
        {"C:\\Dati\\Ufficio\\clienti.mdb", dir.file("here/clienti.mdb")},
        {"\\\\server\\share\\clienti.mdb", dir.file("here/clienti.mdb")},
        {"/gone/clienti.mdb", dir.file("here/clienti.mdb")},
        {"C:\\Dati\\mancante.mdb", ""},
        {"C:\\Dati\\", ""},
        {"", ""},
        {"D:\\cartella.mdb", ""},  // a folder of that name is no database
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        if (!c.expected.empty()) {
            EXPECT_EQ(jet::resolveLinkedPath(u16(c.stored), mainDb, u"Clienti"), c.expected);
            continue;
        }
        const auto e =
            support::errorOf([&] { jet::resolveLinkedPath(u16(c.stored), mainDb, u"Clienti"); });
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->number(), 3024);
        EXPECT_TRUE(e->description().contains(QStringLiteral("Clienti")));
    }
}

// Catalogue object types (MSysObjects.Type).
constexpr int kLinkedTable = 6;
constexpr int kLinkedOdbc = 4;

struct Link {
    std::string name;
    int type;
    std::string database;  // empty: Null
    std::string foreign;   // empty: Null
};

class Linked : public ::testing::Test {
protected:
    // A database whose catalogue lists only `links`.
    std::string links(const std::string& file, const std::vector<Link>& entries,
                      mkmdb::Version version = mkmdb::Version::Jet4) {
        using T = mkmdb::Type;
        mkmdb::Database db;
        db.setVersion(version);
        // "Voce" names no column of a system table: it finds this definition.
        auto& t = db.addTable("Catalogo", {{"Id", T::Long, {}},
                                           {"Name", T::Text, {.size = 255}},
                                           {"Type", T::Integer, {}},
                                           {"Database", T::Memo, {}},
                                           {"ForeignName", T::Text, {.size = 255}},
                                           {"Voce", T::Byte, {}}});
        int id = 1000;
        const auto orNull = [](const std::string& s) {
            return s.empty() ? mkmdb::Value(mkmdb::Null{}) : mkmdb::Value(s);
        };
        for (const Link& l : entries)
            t.addRow({id++, l.name, l.type, orNull(l.database), orNull(l.foreign), 1});
        const std::string path = dir_.file(file);
        mkmdb::write(db, path);
        support::JetPages pages(path);
        pages.makeCatalogue(pages.definitionWithColumn("Voce"));
        pages.save(path);
        return path;
    }

    // A database with the table Clienti (ID, Nome) of three rows.
    std::string clienti(const std::string& file, mkmdb::Version version = mkmdb::Version::Jet4) {
        mkmdb::Database db;
        db.setVersion(version);
        auto& t = db.addTable("Clienti",
                              {{"ID", mkmdb::Type::Long, {}}, {"Nome", mkmdb::Type::Text, {}}});
        t.addRow({1, "Rossi"}).addRow({2, "Bianchi"}).addRow({3, mkmdb::Null{}});
        mkmdb::write(db, dir_.file(file));
        return dir_.file(file);
    }

    static std::vector<std::u16string> names(jet::Table& t) {
        std::vector<std::u16string> out;
        engine::Row row;
        while (t.next(row)) out.push_back(row[1].isNull() ? u"(null)" : row[1].text);
        return out;
    }

    support::TempDir dir_;
};

// A link opens the table its ForeignName names in the other database, or the
// table of its own name when it has none; one naming no table there is 3078.
TEST_F(Linked, OpensTheTableItsForeignNameNames) {
    for (mkmdb::Version v : {mkmdb::Version::Jet3, mkmdb::Version::Jet4}) {
        SCOPED_TRACE(static_cast<int>(v));
        const std::string other = clienti("clienti.mdb", v);
        auto db = jet::Database::open(links("links.mdb",
                                            {{"Locali", kLinkedTable, other, "Clienti"},
                                             {"Clienti", kLinkedTable, other, ""},
                                             {"Fornitori", kLinkedTable, other, "Fornitori"}},
                                            v));
        EXPECT_EQ(db->tableNames(),
                  (std::vector<std::u16string>{u"Clienti", u"Fornitori", u"Locali"}));
        const std::vector<std::u16string> expected = {u"Rossi", u"Bianchi", u"(null)"};
        for (const char16_t* name : {u"Locali", u"Clienti", u"locali"}) {
            auto t = db->openTable(name);
            ASSERT_EQ(t->columns().size(), 2u);
            EXPECT_EQ(t->columns()[1].name, u"Nome");
            EXPECT_EQ(names(*t), expected);
        }
        EXPECT_EQ(errorNumberOf([&] { db->openTable(u"Fornitori"); }), 3078);
    }
}

// ODBC links, and links that name no database, lead to no file this engine reads.
TEST_F(Linked, OdbcLinksAndLinksWithoutADatabaseAreRefusedWith3170) {
    const std::string other = clienti("clienti.mdb");
    auto db =
        jet::Database::open(links("links.mdb", {{"Remota", kLinkedOdbc, "", "dbo.Clienti"},
                                                {"RemotaConFile", kLinkedOdbc, other, "Clienti"},
                                                {"SenzaFile", kLinkedTable, "", "Clienti"},
                                                {"Buona", kLinkedTable, other, "Clienti"}}));
    for (const char16_t* name : {u"Remota", u"RemotaConFile", u"SenzaFile"}) {
        const auto e = support::errorOf([&] { db->openTable(name); });
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->number(), 3170);
        EXPECT_TRUE(e->description().contains(QString::fromStdU16String(name)));
    }
    EXPECT_EQ(names(*db->openTable(u"Buona")).size(), 3u);
}

// Links may lead through other linked databases up to 8 times; the ninth, and a
// loop, end in 3078 instead of going on.
TEST_F(Linked, ChainsUpToEightLinksDeep) {
    const std::string end = clienti("end.mdb");
    for (int hops : {1, 7, 8, 9}) {
        SCOPED_TRACE(hops);
        std::string next = end;
        for (int k = hops; k-- > 0;)
            next = links("hop" + std::to_string(hops) + "_" + std::to_string(k) + ".mdb",
                         {{"Clienti", kLinkedTable, next, ""}});
        auto db = jet::Database::open(next);
        if (hops <= 8) {
            EXPECT_EQ(names(*db->openTable(u"Clienti")).size(), 3u);
            continue;
        }
        const auto e = support::errorOf([&] { db->openTable(u"Clienti"); });
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->number(), 3078);
        EXPECT_TRUE(e->description().contains(QStringLiteral("too many linked databases")));
    }
    const std::string loop = dir_.file("loop.mdb");
    links("loop.mdb", {{"Clienti", kLinkedTable, loop, ""}});
    EXPECT_EQ(errorNumberOf([&] { jet::Database::open(loop)->openTable(u"Clienti"); }), 3078);
}

}  // namespace
