#pragma once
// A fixture that builds the real window over the real engine, shows it and makes it
// the active window; databases are written by mkmdb into a fresh folder per test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "frm_export.h"
#include "frm_export_access.h"
#include "gui_test_support.h"
#include "mkmdb.h"

// What a user could see or the export could read of the window's controls, as text,
// so two snapshots compare with a readable difference.
inline QStringList controlsSnapshot(frmExportTestAccess& a) {
    auto listState = [](toolkit::ListBox& l) {
        QStringList items;
        for (int i = 0; i < l.ListCount(); ++i) items << l.item(i)->text();
        return items.join('|') + " @" + QString::number(l.ListIndex());
    };
    return {"Text1=" + a.Text1().Text(),
            "List1=" + listState(a.List1()),
            "List2=" + listState(a.List2()),
            "lblFieldType=" + a.lblFieldType().Caption(),
            "txtSearch=" + a.txtSearch().Text(),
            "txtWorkSheetName=" + a.txtWorkSheetName().Text(),
            "chkExact=" + QString::number(a.chkExact().Value())};
}

struct RealWindowTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<frmExport> window;
    std::unique_ptr<frmExportTestAccess> a;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<frmExport>();  // the real engine
        a = std::make_unique<frmExportTestAccess>(*window);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(a->Text1().hasFocus());
    }
    void TearDown() override {
        a.reset();
        window.reset();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    static std::string s(const QString& q) { return q.toStdString(); }

    // Writes db at path (replacing a file there in one step, as mkmdb does).
    static void write(const mkmdb::Database& db, const QString& where) {
        mkmdb::write(db, QFile::encodeName(where).toStdString());
    }

    // Types text into Text1 key by key, as the user would.
    void type(const QString& text) { QTest::keyClicks(&a->Text1(), text); }
    // Puts the focus back into Text1, as a click into it would; after a modal dialog
    // the window may have to become active again first.
    void focusText1() {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        a->Text1().setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return a->Text1().hasFocus(); }, 2000));
    }
    // Tab out of Text1 (its focus-lost handling runs).
    void leaveText1() {
        ASSERT_TRUE(a->Text1().hasFocus());
        QTest::keyClick(&a->Text1(), Qt::Key_Tab);
        ASSERT_FALSE(a->Text1().hasFocus());
    }
    void clickConverti() { QTest::mouseClick(&a->cmdOK(), Qt::LeftButton); }

    static QStringList items(toolkit::ListBox& list) {
        QStringList out;
        for (int i = 0; i < list.ListCount(); ++i) out << list.item(i)->text();
        return out;
    }
    QStringList filesIn() const {
        return QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    }
};
