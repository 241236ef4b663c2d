// The path events of Text1 and Sfoglia, each ending in LoadTables.
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "window_fixture.h"

namespace {

struct PathEntry : WindowTest {
    const QString path = QStringLiteral("C:\\a.mdb");
    void SetUp() override {
        WindowTest::SetUp();
        files->databases[path] = {{"Clienti", {{"ID", 4}, {"Nome", 10}}}};
    }
    int opens() const {
        return static_cast<int>(files->log.filter(QRegularExpression("^open ")).size());
    }
};

TEST_F(PathEntry, TypingLoadsWhileTheFinalKeyIsDeliveredAndAgainOnFocusLost) {
    QString textAtOpen = "(none)";
    QString pendingAtOpen;
    files->onLog = [&](const QString& line) {
        if (!line.startsWith("open ")) return;
        textAtOpen = a->Text1().Text();
        pendingAtOpen = a->strKeyPending();
    };
    type("C:\\a.md");
    EXPECT_EQ(opens(), 0);
    EXPECT_EQ(a->List1().ListCount(), 0);
    type("b");
    EXPECT_EQ(opens(), 1);
    EXPECT_EQ(textAtOpen, "C:\\a.md");  // the b was not in the box yet
    EXPECT_EQ(pendingAtOpen, "b");
    EXPECT_EQ(a->Text1().Text(), path);
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});
    EXPECT_EQ(items(a->List2()), (QStringList{"ID", "Nome"}));
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    EXPECT_EQ(a->strKeyPending(), "");
    EXPECT_EQ(files->log.filter("open ").first(), "open " + path);

    QTest::keyClick(&a->Text1(), Qt::Key_Tab);  // focus lost: loads once more
    EXPECT_EQ(opens(), 2);
    EXPECT_EQ(textAtOpen, path);
    EXPECT_EQ(pendingAtOpen, "");
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});
}

TEST_F(PathEntry, UpperCaseSuffixLoadsNothing) {
    files->databases["C:\\A.MDB"] = files->databases[path];
    type("C:\\A.MDB");
    QTest::keyClick(&a->Text1(), Qt::Key_Tab);
    EXPECT_EQ(opens(), 0);
    EXPECT_EQ(a->List1().ListCount(), 0);
}

TEST_F(PathEntry, BackspaceAfterMdbxEmptiesTheListsAndDoesNotRefill) {
    a->Text1().setText(path);
    a->LoadTables();
    ASSERT_EQ(a->List1().ListCount(), 1);
    a->Text1().setText(path + "x");
    a->Text1().end(false);
    QTest::keyClick(&a->Text1(), Qt::Key_Backspace);
    EXPECT_EQ(a->Text1().Text(), path);
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "");
    EXPECT_EQ(opens(), 1);
}

TEST_F(PathEntry, AnyKeyEmptiesBothListsAndTheLabelFirst) {
    a->Text1().setText(path);
    a->LoadTables();
    ASSERT_EQ(a->lblFieldType().Caption(), "Long");
    type("z");
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "");
}

TEST_F(PathEntry, EnterRunsTheKeyPressAndPressesNoButton) {
    guitest::FileDialogDriver driver;
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                         std::pair{Qt::Key_Enter, Qt::KeypadModifier}}) {
        a->Text1().setText(path);
        a->LoadTables();
        ASSERT_EQ(a->List1().ListCount(), 1);
        driver.cancel(300);
        QTest::keyClick(&a->Text1(), key, modifiers);
        EXPECT_FALSE(driver.seen().seen) << key;  // neither Sfoglia nor Converti
        EXPECT_EQ(a->Text1().Text(), path);
        EXPECT_EQ(a->List1().ListCount(), 0) << key;  // the candidate ends in code 13
        EXPECT_TRUE(a->Text1().hasFocus());
    }
    EXPECT_EQ(opens(), 2);
}

TEST_F(PathEntry, PredictionAppendsAtTheEndWhateverTheCaret) {
    a->Text1().setText("C:\\a.md");
    a->Text1().setCursorPosition(0);
    type("b");  // the box shows bC:\a.md, the candidate was C:\a.mdb
    EXPECT_EQ(a->Text1().Text(), "bC:\\a.md");
    EXPECT_EQ(opens(), 1);
    EXPECT_EQ(a->List1().ListCount(), 1);

    a->Text1().setText("C:\\a.mb");
    a->Text1().setCursorPosition(6);
    type("d");  // the box shows C:\a.mdb, the candidate was C:\a.mbd
    EXPECT_EQ(a->Text1().Text(), path);
    EXPECT_EQ(opens(), 1);
    EXPECT_EQ(a->List1().ListCount(), 0);

    a->Text1().setText("C:\\a.mdx");
    a->Text1().setSelection(0, 3);  // a selection does not change the candidate either
    type("b");
    EXPECT_EQ(a->List1().ListCount(), 0);
}

TEST_F(PathEntry, LeavingTheBoxWithTextNotEndingInMdbLeavesTheLists) {
    a->Text1().setText(path);
    a->LoadTables();
    a->Text1().setText("C:\\other.txt");
    QTest::keyClick(&a->Text1(), Qt::Key_Tab);
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
    EXPECT_EQ(opens(), 1);
}

TEST_F(PathEntry, MdbNamingNoFileChangesNothingAndShowsNothing) {
    guitest::ErrorRecorder errors;
    a->Text1().setText(path);
    a->LoadTables();
    engine::Database* before = a->dbBrowse().get();
    a->Text1().setText("C:\\missing.md");
    a->Text1().end(false);
    type("b");
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(a->dbBrowse().get(), before);
    // The key cleared the lists first (the key-press, not LoadTables); focus lost then
    // leaves them as they are.
    a->LoadTables();
    EXPECT_EQ(a->dbBrowse().get(), before);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PathEntry, KeyPendingGoesBackToEmptyAlsoWhenTheNestedLoadingRaises) {
    guitest::ErrorRecorder errors;
    files->databases[path][0].cannotOpen = true;
    a->Text1().setText("C:\\a.md");
    a->Text1().end(false);
    type("b");
    EXPECT_EQ(a->strKeyPending(), "");
    ASSERT_EQ(errors.errors().size(), 1u);  // the nested field loading's error is reported
    EXPECT_EQ(errors.errors()[0].number, 3078);
    EXPECT_EQ(a->Text1().Text(), path);  // and the key still reached the box
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(files->openRecordsets, 0);
}

TEST_F(PathEntry, KeyPendingGoesBackToEmptyWhenLoadTablesFailsSilently) {
    guitest::ErrorRecorder errors;
    files->tableDefCountFails = true;
    a->Text1().setText("C:\\a.md");
    a->Text1().end(false);
    type("b");
    EXPECT_EQ(a->strKeyPending(), "");
    EXPECT_TRUE(errors.errors().empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PathEntry, KeyPendingHoldsTheAnsiCharacterDuringTheKey) {
    QStringList pending;
    files->databases[QString::fromUtf8("C:\\\u00e8.mdb")] = {};
    files->onLog = [&](const QString& line) {
        if (line.startsWith("open ")) pending << a->strKeyPending();
    };
    a->Text1().setText(QString::fromUtf8("C:\\\u00e8.md"));
    a->Text1().end(false);
    type("b");
    EXPECT_EQ(pending, QStringList{"b"});
}

TEST_F(PathEntry, DoubleClickExtendsTheSelectionFromQtsStartToTheEnd) {
    a->Text1().setText("C:\\data base\\file.mdb");
    a->Text1().setCursorPosition(5);  // inside "data"
    const QRect caret = a->Text1().inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QTest::mouseDClick(&a->Text1(), Qt::LeftButton, {}, QPoint(caret.center().x(), 9));
    EXPECT_EQ(a->Text1().SelStart(), 3);
    EXPECT_EQ(a->Text1().selectedText(), "data base\\file.mdb");
}

TEST_F(PathEntry, BrowseChoosesTheFileAndLoads) {
    guitest::FileDialogDriver driver;
    QTemporaryDir dir;
    const QString chosen = dir.filePath("base.mdb");
    files->databases[chosen] = {{"Ordini", {{"Numero", 4}}}};
    driver.acceptWith(chosen);
    QTest::mouseClick(&a->cmdBrowse(), Qt::LeftButton);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(driver.seen().title, "Browse for Database File");
    EXPECT_EQ(driver.seen().nameFilters, QStringList{"Database File (*.mdb)"});
    EXPECT_EQ(driver.seen().defaultSuffix, "mdb");
    EXPECT_EQ(driver.seen().acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(a->Text1().Text(), chosen);
    EXPECT_EQ(items(a->List1()), QStringList{"Ordini"});
    EXPECT_EQ(a->lblFieldType().Caption(), "Long");
}

TEST_F(PathEntry, FocusLostLoadsBeforeTheBrowseClick) {
    a->Text1().setText(path);
    a->Text1().setFocus();
    guitest::FileDialogDriver driver;
    int opensWhenDialogShown = -1;
    driver.cancel();
    files->onLog = [&](const QString&) {};
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (opensWhenDialogShown < 0 && QApplication::activeModalWidget() != nullptr)
            opensWhenDialogShown = opens();
    });
    probe.start(1);
    QTest::mouseClick(&a->cmdBrowse(), Qt::LeftButton);
    EXPECT_EQ(opensWhenDialogShown, 1);  // focus lost ran first
    EXPECT_EQ(opens(), 2);               // then LoadTables after the (cancelled) dialog
}

TEST_F(PathEntry, CancellingBrowseLeavesText1AsItWas) {
    a->Text1().setText(path);
    a->CommonDialog1().setFileName("/out/last.xls");  // as after an export
    guitest::FileDialogDriver driver;
    driver.cancel();
    QTest::mouseClick(&a->cmdBrowse(), Qt::LeftButton);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(a->Text1().Text(), path);
    EXPECT_EQ(a->CommonDialog1().FileName(), "/out/last.xls");
    EXPECT_EQ(items(a->List1()), QStringList{"Clienti"});  // LoadTables ran on the text
}

TEST_F(PathEntry, CancellingBrowseWithAnEmptyBoxChangesNothing) {
    guitest::FileDialogDriver driver;
    driver.cancel();
    QTest::mouseClick(&a->cmdBrowse(), Qt::LeftButton);
    EXPECT_EQ(a->Text1().Text(), "");
    EXPECT_EQ(opens(), 0);
}

}  // namespace
