// The common dialog is modal, cancelling raises no error and leaves FileName unchanged;
// the save dialog does not ask before overwriting; the default extension is added to a
// name without one; the desktop's own dialog is asked for unless CONVERTI_FILE_DIALOG=qt.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "gui_test_support.h"
#include "toolkit/toolkit.h"

namespace {

TEST(CommonDialog, FilterBecomesQtNameFilters) {
    using toolkit::CommonDialog;
    EXPECT_EQ(CommonDialog::qtNameFilters("Database File (*.mdb)|*.mdb"),
              QStringList{"Database File (*.mdb)"});
    EXPECT_EQ(CommonDialog::qtNameFilters("Excel File (*.xls)|*.xls"),
              QStringList{"Excel File (*.xls)"});
    EXPECT_EQ(CommonDialog::qtNameFilters("Databases|*.mdb;*.accdb|All|*.*"),
              (QStringList{"Databases (*.mdb *.accdb)", "All (*.*)"}));
    EXPECT_EQ(CommonDialog::qtNameFilters(""), QStringList{});
}

struct DialogFixture : ::testing::Test {
    QWidget window;
    toolkit::CommonDialog* dialog = new toolkit::CommonDialog(&window);
    QTemporaryDir dir;
    guitest::FileDialogDriver driver;
    void SetUp() override {
        dialog->setObjectName("CommonDialog1");
        window.show();
    }
};

TEST_F(DialogFixture, ShowOpenReturnsTheFullPath) {
    const QString path = dir.filePath("base.mdb");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    dialog->setDialogTitle("Browse for Database File");
    dialog->setFilter("Database File (*.mdb)|*.mdb");
    dialog->setDefaultExt(".mdb");
    driver.acceptWith(path);
    EXPECT_TRUE(dialog->ShowOpen());
    EXPECT_EQ(dialog->FileName(), path);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(driver.seen().title, "Browse for Database File");
    EXPECT_EQ(driver.seen().nameFilters, QStringList{"Database File (*.mdb)"});
    EXPECT_EQ(driver.seen().defaultSuffix, "mdb");
    EXPECT_EQ(driver.seen().acceptMode, QFileDialog::AcceptOpen);
    EXPECT_FALSE(driver.seen().native);
}

TEST_F(DialogFixture, CancelRaisesNoErrorAndKeepsFileName) {
    dialog->setFileName("/somewhere/kept.xls");
    driver.cancel();
    EXPECT_FALSE(dialog->ShowOpen());
    EXPECT_TRUE(driver.seen().seen);
    EXPECT_EQ(dialog->FileName(), "/somewhere/kept.xls");
    driver.cancel();
    EXPECT_FALSE(dialog->ShowSave());
    EXPECT_EQ(dialog->FileName(), "/somewhere/kept.xls");
}

TEST_F(DialogFixture, DialogStartsFromTheFileNameItHolds) {
    const QString path = dir.filePath("old.xls");
    dialog->setFileName(path);
    driver.cancel();
    dialog->ShowOpen();
    EXPECT_EQ(driver.seen().directory, dir.path());
    EXPECT_EQ(driver.seen().typedName, "old.xls");
}

TEST_F(DialogFixture, SaveDoesNotAskBeforeOverwriteAndAddsTheDefaultExtension) {
    const QString existing = dir.filePath("out.xls");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    dialog->setDialogTitle("Save to Excel File");
    dialog->setFilter("Excel File (*.xls)|*.xls");
    dialog->setDefaultExt(".xls");
    driver.acceptWith(existing);
    EXPECT_TRUE(dialog->ShowSave());  // an overwrite question would block here
    EXPECT_EQ(dialog->FileName(), existing);
    EXPECT_FALSE(driver.seen().confirmOverwrite);
    EXPECT_EQ(driver.seen().acceptMode, QFileDialog::AcceptSave);

    driver.acceptWith(dir.filePath("fresh"));
    EXPECT_TRUE(dialog->ShowSave());
    EXPECT_EQ(dialog->FileName(), dir.filePath("fresh.xls"));
}

TEST_F(DialogFixture, TheDesktopsOwnDialogIsAskedForUnlessTestsAskForQts) {
    // This platform offers no dialog of its own, so Qt's shows either way and the
    // driver can see which was asked for.
    ASSERT_EQ(qgetenv("CONVERTI_FILE_DIALOG"), "qt");  // gui_test_main's choice
    struct Restore {
        ~Restore() { qputenv("CONVERTI_FILE_DIALOG", "qt"); }
    } restore;
    for (const char* value : {"", "gtk", "qt"}) {
        qputenv("CONVERTI_FILE_DIALOG", value);
        driver.cancel();
        dialog->ShowOpen();
        ASSERT_TRUE(driver.seen().seen) << value;
        EXPECT_EQ(driver.seen().native, std::string(value) != "qt") << value;
    }
    qunsetenv("CONVERTI_FILE_DIALOG");
    driver.cancel();
    dialog->ShowSave();
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_TRUE(driver.seen().native);
}

TEST_F(DialogFixture, OpenDoesNotInsistOnAnExistingFile) {
    driver.acceptWith(dir.filePath("missing.mdb"));
    EXPECT_TRUE(dialog->ShowOpen());
    EXPECT_EQ(dialog->FileName(), dir.filePath("missing.mdb"));
}

}  // namespace
