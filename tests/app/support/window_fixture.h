#pragma once
// A fixture that builds the real window over a fake engine, shows it and makes it the
// active window, with access to its state members and routines.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "fake_engine.h"
#include "frm_export.h"
#include "frm_export_access.h"
#include "gui_test_support.h"

struct WindowTest : ::testing::Test {
    std::shared_ptr<fake::Files> files = std::make_shared<fake::Files>();
    std::unique_ptr<frmExport> window;
    std::unique_ptr<frmExportTestAccess> a;

    void SetUp() override {
        window = std::make_unique<frmExport>(fake::factory(files));
        a = std::make_unique<frmExportTestAccess>(*window);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        a.reset();
        window.reset();
    }

    template <typename T>
    T* child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // Types text into Text1 key by key, as the user would.
    void type(const QString& text) { QTest::keyClicks(&a->Text1(), text); }

    QStringList items(toolkit::ListBox& list) {
        QStringList out;
        for (int i = 0; i < list.ListCount(); ++i) out << list.item(i)->text();
        return out;
    }
};
