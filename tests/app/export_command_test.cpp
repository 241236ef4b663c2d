// The click of Converti and RunExport, over the fake engine.
#include <QTemporaryDir>

#include "window_fixture.h"

namespace {

struct ExportCommand : WindowTest {
    const QString path = QStringLiteral("/data/base.mdb");
    QTemporaryDir dir;
    guitest::FileDialogDriver driver;

    void SetUp() override {
        WindowTest::SetUp();
        files->databases[path] = {
            {"MSysObjects", {}}, {"Clienti", {{"Citta", 10}, {"ID", 4}}}, {"Ordini", {{"N", 4}}}};
    }
    void loadByTyping() {
        type(path);
        ASSERT_EQ(a->List1().Text(), "Clienti");
    }
};

TEST_F(ExportCommand, EmptyPathDoesNothingAtAll) {
    driver.cancel(300);
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(driver.seen().seen);  // not even the dialog
    EXPECT_TRUE(files->log.isEmpty());
    EXPECT_TRUE(a->strDatabase().isEmpty());
}

TEST_F(ExportCommand, CapturesTheFirstTableAndFieldAndExecutesOnce) {
    loadByTyping();
    const QString xls = dir.filePath("out.xls");
    driver.acceptWith(xls);
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(driver.seen().title, "Save to Excel File");
    EXPECT_EQ(driver.seen().nameFilters, QStringList{"Excel File (*.xls)"});
    EXPECT_EQ(driver.seen().defaultSuffix, "xls");
    EXPECT_EQ(driver.seen().acceptMode, QFileDialog::AcceptSave);
    EXPECT_FALSE(driver.seen().confirmOverwrite);
    EXPECT_EQ(driver.seen().typedName, "");  // the file name was emptied first

    EXPECT_EQ(a->strExcelFile(), xls);
    EXPECT_EQ(a->strWorkSheet(), "WorkSheet1");
    EXPECT_EQ(a->strDatabase(), path);
    EXPECT_EQ(a->strTable(), "Clienti");
    EXPECT_EQ(a->strField(), "Citta");
    EXPECT_EQ(a->strSearch(), "");
    EXPECT_EQ(a->strWildcard(), "*");
    ASSERT_EQ(files->executed.size(), 1u);
    EXPECT_EQ(files->executed[0],
              "SELECT * INTO [Excel 8.0;DATABASE=" + xls +
                  "].[WorkSheet1] FROM [Clienti]WHERE [Clienti.Citta]like '**';");
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_NE(a->dbBrowse(), nullptr);  // the browse connection stays open
    EXPECT_EQ(a->CommonDialog1().FileName(), xls);
    // A connection of its own, opened, executed on and closed.
    const int execute = files->log.indexOf("execute " + path);
    ASSERT_GE(execute, 1);
    EXPECT_EQ(files->log[execute + 1], "close " + path);
}

TEST_F(ExportCommand, FocusLostInText1ReloadsBeforeTheCommand) {
    loadByTyping();
    a->List1().setListIndex(1);  // the user (or a routine) chose Ordini
    ASSERT_TRUE(a->Text1().hasFocus());
    driver.acceptWith(dir.filePath("o.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(a->strTable(), "Clienti");  // the reload selected the first table again
    EXPECT_EQ(a->strField(), "Citta");
}

TEST_F(ExportCommand, HiddenControlsValuesGoIntoTheStatement) {
    loadByTyping();
    a->txtSearch().setText("Roma");
    a->txtWorkSheetName().setText("S");
    a->chkExact().setValue(1);
    a->cmdBrowse().setFocus();  // no reload on the way to the button
    driver.acceptWith(dir.filePath("a.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(files->executed.size(), 1u);
    EXPECT_EQ(a->strWildcard(), "");
    EXPECT_TRUE(
        files->executed[0].endsWith("].[S] FROM [Clienti]WHERE [Clienti.Citta]like 'Roma';"))
        << files->executed[0].toStdString();
    a->chkExact().setValue(2);  // greyed counts as not exact
    driver.acceptWith(dir.filePath("a.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(a->strWildcard(), "*");
}

TEST_F(ExportCommand, CancellingTheSaveDialogEndsTheCommand) {
    guitest::ErrorRecorder errors;
    loadByTyping();
    driver.cancel();
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_TRUE(files->executed.empty());
    EXPECT_FALSE(files->log.contains("execute " + path));
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_TRUE(errors.errors().empty());
}

TEST_F(ExportCommand, EmptyListsGiveEmptyNamesAndTheCommandStillRuns) {
    a->Text1().setText(path + "x");  // not a database: the lists stay empty
    a->cmdOK().setFocus();
    driver.acceptWith(dir.filePath("e.xls"));
    guitest::ErrorRecorder errors;
    files->databases[path + "x"] = {};
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(a->strTable(), "");
    EXPECT_EQ(a->strField(), "");
    ASSERT_EQ(files->executed.size(), 1u);
    EXPECT_TRUE(files->executed[0].contains("FROM []WHERE [.]like '**';"));
}

TEST_F(ExportCommand, AFailingExecutionIsReportedAndTheConnectionStillClosed) {
    guitest::ErrorRecorder errors;
    loadByTyping();
    files->executeFails = true;
    driver.acceptWith(dir.filePath("f.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3061);
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_EQ(files->liveConnections, 1);  // dbBrowse only
    const int execute = files->log.indexOf("execute " + path);
    ASSERT_GE(execute, 0);
    EXPECT_EQ(files->log[execute + 1], "close " + path);
}

TEST_F(ExportCommand, AFailingOpenIsReported) {
    guitest::ErrorRecorder errors;
    a->Text1().setText("/nowhere/x.mdb");
    a->cmdOK().setFocus();
    driver.acceptWith(dir.filePath("g.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3024);
    EXPECT_EQ(a->dbExport(), nullptr);
}

TEST_F(ExportCommand, AFailingCloseAfterASuccessfulExecutionIsReportedAndReleased) {
    guitest::ErrorRecorder errors;
    loadByTyping();
    a->cmdOK().setFocus();
    files->closeFails = true;
    driver.acceptWith(dir.filePath("h.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.errors()[0].number, 3420);
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_EQ(files->executed.size(), 1u);
}

TEST_F(ExportCommand, ASuccessfulExportLeavesTheControlsAsTheyWere) {
    loadByTyping();
    a->cmdOK().setFocus();
    const QStringList tables = items(a->List1());
    const QStringList fields = items(a->List2());
    const QString label = a->lblFieldType().Caption();
    driver.acceptWith(dir.filePath("i.xls"));
    QTest::mouseClick(&a->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(items(a->List1()), tables);
    EXPECT_EQ(items(a->List2()), fields);
    EXPECT_EQ(a->lblFieldType().Caption(), label);
    EXPECT_EQ(a->Text1().Text(), path);
}

}  // namespace
