// The table and field lists through the real window over the fake engine: LoadTables,
// LoadFields, the click of List2 and FieldType.
#include <QGuiApplication>
#include <QRegularExpression>

#include "window_fixture.h"

namespace {

struct Catalogue : WindowTest {
    const QString path = QStringLiteral("C:\\data\\base.mdb");
    void load(const QString& p) {
        a->Text1().setText(p);
        a->LoadTables();
    }
};

TEST_F(Catalogue, TheDatabaseOpensAndTheListFills) {
    files->databases[path] = {{"Clienti", {{"ID", 4}}}, {"Ordini", {{"Numero", 3}}}};
    load(path);
    ASSERT_NE(a->dbBrowse(), nullptr);
    EXPECT_EQ(items(a->List1()), (QStringList{"Clienti", "Ordini"}));
    EXPECT_EQ(a->List1().ListIndex(), 0);
    EXPECT_EQ(items(a->List2()), QStringList{"ID"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    // Hidden, but they hold the values.
    EXPECT_FALSE(a->List1().isVisible());
    EXPECT_FALSE(a->lblFieldType().isVisible());
    EXPECT_EQ(files->log.filter("open ").size(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Catalogue, NothingHappensForOtherCandidates) {
    files->databases["C:\\DATA\\BASE.MDB"] = {{"T", {}}};
    files->databases["mdb"] = {{"T", {}}};
    for (const char* p : {"C:\\DATA\\BASE.MDB", "mdb", "", "a.mdbx"}) {
        load(p);
        EXPECT_EQ(a->dbBrowse(), nullptr) << p;
    }
    EXPECT_EQ(files->enginesCreated, 0);  // not even the engine object
}

TEST_F(Catalogue, SystemTablesAreLeftOutBySubstring) {
    files->databases[path] = {
        {"MSysObjects", {}}, {"Clienti", {{"ID", 4}}}, {"ItemSystem", {}}, {"Sysop", {}}};
    load(path);
    EXPECT_EQ(items(a->List1()), (QStringList{"Clienti", "Sysop"}));
    EXPECT_EQ(a->List1().Text(), "Clienti");
}

TEST_F(Catalogue, NoUserTablesLeavesTheListEmptyAndTheFieldDisplaysAlone) {
    files->databases[path] = {{"Clienti", {{"ID", 4}}}};
    files->databases["C:\\sys.mdb"] = {{"MSysObjects", {{"Id", 4}}}, {"MSysACEs", {}}};
    load(path);
    load("C:\\sys.mdb");
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List1().ListIndex(), -1);
    EXPECT_EQ(items(a->List2()), QStringList{"ID"});  // as they were
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Catalogue, AFailedOpenChangesNothing) {
    guitest::ErrorRecorder errors;
    files->databases[path] = {{"Clienti", {{"ID", 4}}}};
    load(path);
    engine::Database* before = a->dbBrowse().get();
    load("C:\\missing.mdb");
    EXPECT_EQ(a->dbBrowse().get(), before);
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Catalogue, TheNewConnectionReplacesTheOldOneWithoutAClose) {
    files->databases[path] = {{"Clienti", {{"ID", 4}}}};
    files->databases["C:\\b.mdb"] = {{"Ordini", {{"N", 3}}}};
    load(path);
    load("C:\\b.mdb");
    EXPECT_TRUE(files->log.contains("drop " + path));
    EXPECT_FALSE(files->log.contains("close " + path));
    EXPECT_EQ(files->liveConnections, 1);
    EXPECT_EQ(files->enginesCreated, 1);  // one engine object, from its first use on
    EXPECT_EQ(items(a->List1()), QStringList{"Ordini"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Integer");
}

TEST_F(Catalogue, TheErrorExitIsSilentKeepsTheNamesAddedAndRestoresThePointer) {
    guitest::ErrorRecorder errors;
    files->databases[path] = {{"A", {}}, {"B", {}}, {"C", {}}};
    files->tableDefNameFailsAt = 2;
    bool busyWhileListing = false;
    files->onLog = [&](const QString& line) {
        if (line.startsWith("tabledef"))
            busyWhileListing = toolkit::Screen::MousePointer() == 11 &&
                               QGuiApplication::overrideCursor() != nullptr;
    };
    load(path);
    EXPECT_TRUE(busyWhileListing);
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(items(a->List1()), (QStringList{"A", "B"}));
    EXPECT_EQ(a->List1().ListIndex(), -1);  // no table was selected
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(toolkit::Screen::MousePointer(), 0);
}

TEST_F(Catalogue, AnEngineThatCannotBeCreatedEndsLoadTablesSilently) {
    guitest::ErrorRecorder errors;
    frmExport bare([]() -> std::unique_ptr<engine::Engine> {
        throw converti::Error(3000, "The database engine is not available.");
    });
    frmExportTestAccess b(bare);
    b.Text1().setText(path);
    b.LoadTables();
    EXPECT_EQ(b.dbBrowse(), nullptr);
    EXPECT_TRUE(errors.errors().empty());
}

TEST_F(Catalogue, AnErrorOfTheNestedFieldLoadingReachesTheReport) {
    guitest::ErrorRecorder errors;
    files->databases[path] = {{"Rotta", {{"X", 4}}}, {"Buona", {{"Y", 10}}}};
    files->databases[path][0].cannotOpen = true;
    load(path);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3078);
    EXPECT_TRUE(errors.errors()[0].description.contains("Rotta"));
    EXPECT_EQ(items(a->List1()), (QStringList{"Rotta", "Buona"}));  // LoadTables went on
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(files->openRecordsets, 0);
    EXPECT_EQ(files->liveRecordsets, 0);
}

TEST_F(Catalogue, FieldsInOrderFirstSelectedAndTheTypeOfTheSelectedField) {
    files->databases[path] = {{"Clienti", {{"ID", 4}, {"Nome", 10}, {"Nota", 12}}}};
    load(path);
    EXPECT_EQ(items(a->List2()), (QStringList{"ID", "Nome", "Nota"}));
    EXPECT_EQ(a->List2().ListIndex(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    a->List2().setListIndex(2);
    EXPECT_EQ(a->lblFieldType().Caption(), "Memo");
    a->List2().setListIndex(1);
    EXPECT_EQ(a->lblFieldType().Caption(), "Text");
    EXPECT_EQ(files->openRecordsets, 0);
    EXPECT_EQ(files->liveRecordsets, 0);
    EXPECT_EQ(files->log.filter("rsclose").size(), files->log.filter("recordset").size());
}

TEST_F(Catalogue, CodesWithoutAWordEmptyTheLabel) {
    files->databases[path] = {
        {"T", {{"Bin", 9}, {"Dec", 20}, {"Num", 16}, {"Neg", -1}, {"G", 15}}}};
    load(path);
    EXPECT_EQ(a->lblFieldType().Caption(), "");
    a->List2().setListIndex(4);
    EXPECT_EQ(a->lblFieldType().Caption(), "GUID");
    for (std::int16_t i : {1, 2, 3}) {
        a->List2().setListIndex(i);
        EXPECT_EQ(a->lblFieldType().Caption(), "") << i;
    }
}

TEST_F(Catalogue, TheTypeIsFoundByPositionNotByName) {
    files->databases[path] = {{"T", {{"A", 4}, {"B", 10}}}};
    load(path);
    a->List2().Clear();
    a->List2().AddItem("B");
    a->List2().AddItem("A");
    a->List2().setListIndex(0);  // shows "B" but index 0 is field A
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
}

TEST_F(Catalogue, ATableWithOneField) {
    files->databases[path] = {{"T", {{"Solo", 8}}}};
    load(path);
    EXPECT_EQ(a->List2().Text(), "Solo");
    EXPECT_EQ(a->lblFieldType().Caption(), "Date");
}

TEST_F(Catalogue, KeyDownReloadsTheSelectedTableThenTheClickTheNewOne) {
    files->databases[path] = {{"T1", {{"A", 4}}}, {"T2", {{"B", 10}}}};
    load(path);
    files->log.clear();
    QTest::keyClick(&a->List1(), Qt::Key_Down);  // hidden: the event is sent to it directly
    const QStringList opened = files->log.filter(QRegularExpression("^recordset "));
    EXPECT_EQ(opened,
              (QStringList{"recordset T1", "recordset T1", "recordset T2", "recordset T2"}));
    EXPECT_EQ(a->List1().Text(), "T2");
    EXPECT_EQ(items(a->List2()), QStringList{"B"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Text");
}

TEST_F(Catalogue, FieldLoadingWithoutAConnectionReportsError91) {
    guitest::ErrorRecorder errors;
    a->List1().AddItem("T");
    a->List1().setListIndex(0);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 91);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Catalogue, LoadFieldsAndList2ClickLeaveList1AndTheStateAlone) {
    files->databases[path] = {{"T", {{"A", 4}, {"B", 10}}}};
    load(path);
    engine::Database* browse = a->dbBrowse().get();
    a->LoadFields();
    a->List2().setListIndex(1);
    EXPECT_EQ(a->List1().Text(), "T");
    EXPECT_EQ(a->dbBrowse().get(), browse);
    EXPECT_TRUE(a->strTable().isEmpty());
    EXPECT_TRUE(a->strField().isEmpty());
}

}  // namespace
