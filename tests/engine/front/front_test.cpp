// The engine as the window sees it: connections, table definitions, recordsets
// and Execute, on databases written by mkmdb, including files that change or
// vanish under an open connection.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <filesystem>
#include <fstream>

#include "support.h"
#include "engine/engine.h"
#include "mkmdb.h"

namespace {

using mkmdb::Type;

using support::errorNumberOf;

QString q(const std::string& s) { return QString::fromStdString(s); }

class EngineFront : public ::testing::Test {
protected:
    void SetUp() override {
        mkmdb::Database db;
        // Added out of order: the engine lists them in alphabetical order.
        db.addTable("zeta", {{"Z", Type::Text, {}}});
        auto& clienti = db.addTable("Clienti", {{"ID", Type::Long, {}},
                                                {"Nome", Type::Text, {}},
                                                {"Nota", Type::Memo, {}},
                                                {"Prezzo", Type::Currency, {}},
                                                {"Quando", Type::Date, {}},
                                                {"Codice", Type::Guid, {}},
                                                {"Importo", Type::Decimal, {}},
                                                {"Dati", Type::Binary, {}},
                                                {"Ok", Type::Boolean, {}}});
        for (int i = 1; i <= 200; ++i) {
            clienti.addRow({i, "Cliente " + std::to_string(i), std::string(300, 'n'),
                            mkmdb::Currency{i * 100}, 45000.0 + i, mkmdb::Null{}, i,
                            mkmdb::Null{}, i % 2 == 0});
        }
        db.addTable("alfa", {{"A", Type::Byte, {}}, {"B", Type::Integer, {}},
                             {"C", Type::Single, {}}, {"D", Type::Double, {}},
                             {"E", Type::LongBinary, {}}});
        mkmdb::write(db, path_);
        engine_ = engine::createEngine();
    }

    support::TempDir dir_;
    std::string path_ = dir_.file("front.mdb");
    std::unique_ptr<engine::Engine> engine_;
};

TEST_F(EngineFront, TableDefsAreSortedByNameWithSystemTablesIncluded) {
    auto db = engine_->openDatabase(q(path_));
    QStringList names;
    for (std::int16_t i = 0; i < db->tableDefCount(); ++i) names << db->tableDefName(i);
    EXPECT_EQ(names, (QStringList{"alfa", "Clienti", "MSysACEs", "MSysObjects", "MSysQueries",
                                  "MSysRelationships", "zeta"}));
    EXPECT_EQ(errorNumberOf([&] { db->tableDefName(db->tableDefCount()); }), 3265);
    EXPECT_EQ(errorNumberOf([&] { db->tableDefName(-1); }), 3265);
}

TEST_F(EngineFront, RecordsetGivesFieldNamesAndTypeCodesInColumnOrder) {
    auto db = engine_->openDatabase(q(path_));
    const struct {
        const char* table;
        std::vector<std::pair<const char*, int>> fields;
    } cases[] = {
        {"Clienti",
         {{"ID", 4}, {"Nome", 10}, {"Nota", 12}, {"Prezzo", 5}, {"Quando", 8}, {"Codice", 15},
          {"Importo", 20}, {"Dati", 9}, {"Ok", 1}}},
        {"ALFA", {{"A", 2}, {"B", 3}, {"C", 6}, {"D", 7}, {"E", 11}}},  // found case-insensitively
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        auto rs = db->openRecordset(QString::fromUtf8(c.table));
        ASSERT_EQ(rs->fieldCount(), static_cast<std::int16_t>(c.fields.size()));
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(rs->fieldName(static_cast<std::int16_t>(i)), QString::fromUtf8(c.fields[i].first));
            EXPECT_EQ(rs->fieldType(static_cast<std::int16_t>(i)), c.fields[i].second);
        }
        rs->close();
        EXPECT_EQ(errorNumberOf([&] { rs->fieldCount(); }), 3000);
    }
    EXPECT_EQ(errorNumberOf([&] { db->openRecordset(QStringLiteral("Fornitori")); }), 3078);
}

TEST_F(EngineFront, ConnectionsAreIndependentAndMayBeDroppedUnclosed) {
    auto browse = engine_->openDatabase(q(path_));
    auto exporter = engine_->openDatabase(q(path_));
    const std::string xls = dir_.file("out.xls");
    exporter->execute(q("SELECT * INTO [Excel 8.0;DATABASE=" + xls +
                        "].[WorkSheet1] FROM [Clienti]WHERE [Clienti.ID]like '**';"));
    exporter->close();
    EXPECT_EQ(errorNumberOf([&] { exporter->tableDefCount(); }), 3000);
    EXPECT_TRUE(std::filesystem::exists(xls));
    EXPECT_EQ(browse->tableDefCount(), 7);
    browse.reset();  // dropped without close
    EXPECT_EQ(errorNumberOf([&] { engine_->openDatabase(q(path_))->close(); }), 0);
}

TEST_F(EngineFront, ExecuteRefusesAPlainSelect) {
    auto db = engine_->openDatabase(q(path_));
    EXPECT_EQ(errorNumberOf([&] { db->execute(QStringLiteral("SELECT * FROM Clienti")); }), 3065);
}

// The window lists the tables on one connection and exports on a second one
// opened later: a database removed in between is reported, not half-read.
TEST_F(EngineFront, ADatabaseRemovedAfterListingCannotBeExported) {
    auto browse = engine_->openDatabase(q(path_));
    ASSERT_GT(browse->tableDefCount(), 0);
    std::filesystem::remove(path_);
    EXPECT_EQ(errorNumberOf([&] { engine_->openDatabase(q(path_)); }), 3024);
}

// Another program truncates or overwrites the database under an open
// connection: the export fails with an error and leaves no workbook behind.
TEST_F(EngineFront, ADatabaseChangedUnderAnOpenConnectionFailsCleanly) {
    const struct {
        const char* name;
        std::function<void(const std::string&)> change;
    } cases[] = {
        {"truncated to two pages", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 8192), 0); }},
        {"emptied", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 0), 0); }},
        {"overwritten with zeros",
         [](const std::string& p) {
             const auto size = std::filesystem::file_size(p);
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             const std::string zeros(size - 4096, '\0');
             f.seekp(4096);
             f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        auto db = engine_->openDatabase(q(path_));
        c.change(path_);
        const std::string xls = dir_.file("changed.xls");
        const int error = errorNumberOf([&] {
            db->execute(q("SELECT * INTO [Excel 8.0;DATABASE=" + xls +
                          "].[WorkSheet1] FROM [Clienti]WHERE [Clienti.ID]like '**';"));
        });
        EXPECT_NE(error, 0);
        EXPECT_FALSE(std::filesystem::exists(xls));
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++entries;
        EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
    }
}

}  // namespace
