// Converti on the real window and the real engine: workbooks written through the save
// dialog and read back with mdbtools and xlrd (tests/e2e/compare_xls.py).
#include <QFileInfo>

#include "support.h"
#include "real_engine_support.h"

namespace {

using mkmdb::Type;

// Three user tables added out of order; the engine lists them sorted, so Clienti is
// the one the window selects. Its first field, Nome, is Null in one row: the filter
// LIKE '**' leaves that row out.
mkmdb::Database shopDatabase() {
    mkmdb::Database db;
    db.addTable("Ordini", {{"Numero", Type::Long, {}}}).addRow({1}).addRow({2});
    auto& c = db.addTable("Clienti", {{"Nome", Type::Text, {}},
                                      {"ID", Type::Long, {}},
                                      {"Saldo", Type::Currency, {}},
                                      {"Dal", Type::Date, {}},
                                      {"Nota", Type::Memo, {}},
                                      {"Attivo", Type::Boolean, {}}});
    c.addRow({"Rossi", 1, mkmdb::Currency{1234500}, "1998-03-01", "cliente storico", true});
    c.addRow({mkmdb::Null{}, 2, mkmdb::Currency{0}, mkmdb::Null{}, mkmdb::Null{}, false});
    c.addRow({u8"Città di Castello", 3, mkmdb::Currency{-50000}, "2003-12-15 09:30:00",
              "riga\ncon a capo", true});
    // mdbtools reads an empty text as Null, so the filter field holds none.
    c.addRow({"Verdi", 4, mkmdb::Null{}, "2001-01-01", "", false});
    db.addTable("Zona", {{"Sigla", Type::Text, {}}}).addRow({"PG"});
    return db;
}

mkmdb::Database otherDatabase() {
    mkmdb::Database db;
    auto& t = db.addTable("Articoli", {{"Codice", Type::Text, {}}, {"Prezzo", Type::Double, {}}});
    t.addRow({"A1", 2.5}).addRow({"B2", 1e-3});
    return db;
}

struct RealExport : RealWindowTest {
    guitest::FileDialogDriver driver;

    bool matches(const QString& db, const char* table, const QString& xls, const char* sheet,
                 const char* filterField) {
        std::string report;
        const bool ok = support::workbookMatchesTable(s(db), table, s(xls), sheet, filterField, &report);
        if (!ok) ADD_FAILURE() << report;
        return ok;
    }
    // Converti with the save dialog answered by xls.
    void exportTo(const QString& xls) {
        driver.acceptWith(xls);
        clickConverti();
        ASSERT_TRUE(driver.seen().seen);
    }
};

TEST_F(RealExport, TypedPathAndConvertiExportTheFirstTable) {
    const QString db = path("negozio.mdb");
    write(shopDatabase(), db);
    type(db);
    ASSERT_EQ(items(a->List1()), (QStringList{"Clienti", "Ordini", "Zona"}));
    a->List1().setListIndex(1);  // Ordini; the focus-lost reload selects Clienti again
    ASSERT_TRUE(a->Text1().hasFocus());
    const QStringList before = [&] {
        a->List1().setListIndex(0);
        QStringList snap = controlsSnapshot(*a);
        a->List1().setListIndex(1);
        return snap;
    }();

    guitest::ErrorRecorder errors;
    const QString xls = path("clienti.xls");
    exportTo(xls);
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(a->strTable(), "Clienti");
    EXPECT_EQ(a->strField(), "Nome");
    ASSERT_TRUE(QFileInfo::exists(xls));
    EXPECT_TRUE(matches(db, "Clienti", xls, "WorkSheet1", "Nome"));
    // The window looks exactly as after the reload that preceded the command.
    EXPECT_EQ(controlsSnapshot(*a), before);
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_NE(a->dbBrowse(), nullptr);
}

TEST_F(RealExport, NothingIsWrittenWithoutAPathOrWhenTheDialogIsCancelled) {
    guitest::ErrorRecorder errors;
    driver.cancel(500);
    clickConverti();  // Text1 empty: not even the dialog
    EXPECT_FALSE(driver.seen().seen);

    const QString db = path("negozio.mdb");
    write(shopDatabase(), db);
    type(db);
    const QStringList before = controlsSnapshot(*a);
    driver.cancel();
    clickConverti();
    EXPECT_TRUE(driver.seen().seen);
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(filesIn(), QStringList{"negozio.mdb"});
    EXPECT_EQ(controlsSnapshot(*a), before);
}

TEST_F(RealExport, TableGoneBeforeConvertiIsReportedAndTheWindowCarriesOn) {
    const QString db = path("negozio.mdb");
    write(shopDatabase(), db);
    type(db);
    leaveText1();  // the focus is elsewhere now: Converti will not reload
    write(otherDatabase(), db);  // Clienti is no longer there

    guitest::ErrorRecorder errors;
    const QString xls = path("out.xls");
    exportTo(xls);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3078) << s(errors.errors()[0].description);
    EXPECT_FALSE(QFileInfo::exists(xls));
    EXPECT_EQ(a->dbExport(), nullptr);

    // Reload the database as it is now and export again, into the same file name.
    focusText1();
    leaveText1();
    ASSERT_EQ(a->List1().Text(), "Articoli");
    exportTo(xls);
    EXPECT_EQ(errors.errors().size(), 1u);
    EXPECT_TRUE(matches(db, "Articoli", xls, "WorkSheet1", "Codice"));
}

TEST_F(RealExport, DatabaseDeletedBeforeConvertiIsReportedAndNothingIsWritten) {
    const QString db = path("negozio.mdb");
    write(shopDatabase(), db);
    type(db);
    leaveText1();
    ASSERT_EQ(a->List1().Text(), "Clienti");
    ASSERT_TRUE(QFile::remove(db));

    guitest::ErrorRecorder errors;
    const QString xls = path("out.xls");
    exportTo(xls);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3024) << s(errors.errors()[0].description);
    EXPECT_EQ(filesIn(), QStringList{});
    EXPECT_EQ(a->dbExport(), nullptr);

    // The file is back: the same command works.
    write(shopDatabase(), db);
    exportTo(xls);
    EXPECT_EQ(errors.errors().size(), 1u);
    EXPECT_TRUE(matches(db, "Clienti", xls, "WorkSheet1", "Nome"));
}

TEST_F(RealExport, SecondExportIntoTheSameWorkbook) {
    const QString db = path("negozio.mdb");
    write(shopDatabase(), db);
    type(db);
    const QString xls = path("libro.xls");
    exportTo(xls);
    ASSERT_TRUE(matches(db, "Clienti", xls, "WorkSheet1", "Nome"));
    QFile f(xls);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();

    // The same sheet name again: refused, the workbook untouched.
    guitest::ErrorRecorder errors;
    exportTo(xls);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3010) << s(errors.errors()[0].description);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);
    f.close();
    EXPECT_EQ(a->dbExport(), nullptr);

    // Another sheet name (the hidden worksheet-name box): added beside the first one.
    a->txtWorkSheetName().setText("Zone");
    focusText1();
    a->Text1().setText(db);
    leaveText1();
    a->List1().setListIndex(2);  // Zona, the focus is no longer in Text1
    ASSERT_EQ(a->List1().Text(), "Zona");
    exportTo(xls);
    EXPECT_EQ(errors.errors().size(), 1u);
    EXPECT_TRUE(matches(db, "Zona", xls, "Zone", "Sigla"));
    EXPECT_TRUE(matches(db, "Clienti", xls, "WorkSheet1", "Nome"));
}

// The first table in alphabetical order: an accented first letter sorts beside its
// base letter, so Élenco comes before Fatture and Converti exports it.
TEST_F(RealExport, AnAccentedNameSortsBesideItsBaseLetter) {
    mkmdb::Database model;
    model.addTable("Fatture", {{"Numero", Type::Long, {}}}).addRow({1});
    model.addTable("Zona", {{"Sigla", Type::Text, {}}}).addRow({"PG"});
    model.addTable("Élenco", {{"Voce", Type::Text, {}}}).addRow({"prima"}).addRow({"seconda"});
    const QString db = path("archivio.mdb");
    write(model, db);
    type(db);
    ASSERT_EQ(items(a->List1()), (QStringList{"Élenco", "Fatture", "Zona"}));

    guitest::ErrorRecorder errors;
    const QString xls = path("elenco.xls");
    exportTo(xls);
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(a->strTable(), "Élenco");
    EXPECT_TRUE(matches(db, "Élenco", xls, "WorkSheet1", "Voce"));
}

}  // namespace
