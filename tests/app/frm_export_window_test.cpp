// The window: its controls, Clear, Esci and unload, Enter on the buttons, the names a
// screen reader gives the shown controls.
#include <QAccessible>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "window_fixture.h"

namespace {

using Window = WindowTest;

// The window's controls in the order of its children: caption or initial text, place in
// twips (1440 to the inch), shown or hidden.
struct Expected {
    const char* name;
    const char* caption;
    int left, top, width, height;
    bool shown;
};
const Expected kExpected[] = {
    {"cmdClear", "Clear", 4800, 4185, 1200, 325, false},
    {"txtWorkSheetName", "", 1425, 3750, 2790, 285, false},
    {"txtSearch", "", 1065, 3360, 3150, 285, false},
    {"CommonDialog1", nullptr, 0, 0, 0, 0, false},  // a dialog, no body in the window
    {"cmdCancel", "Esci", 1560, 1080, 1200, 325, true},
    {"chkExact", "Exact Match", 1050, 2925, 1560, 195, false},
    {"List2", "", 4440, 510, 1725, 2205, false},
    {"cmdOK", "Converti", 3480, 1080, 1200, 325, true},
    {"List1", "", 1065, 495, 1725, 2205, false},
    {"cmdBrowse", "Sfoglia", 5040, 120, 840, 285, true},
    {"Text1", "", 1380, 120, 3540, 285, true},
    {"Label6", "WorkSheet Name:", 90, 3780, 1500, 255, false},
    {"Label4", "Search:", 105, 3360, 870, 270, false},
    {"Label5", "Field Type:", 2670, 2925, 870, 225, false},
    {"lblFieldType", "", 3570, 2880, 1725, 285, false},
    {"Label3", "Fields:", 3015, 600, 930, 210, false},
    {"Label2", "Tables:", 120, 600, 690, 210, false},
    {"Label1", "Database :", 480, 120, 855, 270, true},
};

int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }  // at 96 DPI

TEST_F(Window, IconAndClientAreaCentred) {
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(48, 48)));
    ASSERT_EQ(window->screen()->logicalDotsPerInchX(), 96);  // the figures below are for 96
    ASSERT_EQ(window->screen()->logicalDotsPerInchY(), 96);
    EXPECT_EQ(window->size(), QSize(414, 100));  // 6210 x 1500 twips at 15 twips a pixel
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(std::abs(window->geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(window->geometry().center().y() - screen.center().y()), 1);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::Window);
    EXPECT_FALSE(flags & Qt::FramelessWindowHint);
    EXPECT_FALSE(flags & Qt::MSWindowsFixedSizeDialogHint);
    EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST_F(Window, EveryControlInOrderWithItsNameAndCaption) {
    std::vector<QString> names;
    for (QObject* o : window->children())
        if (!o->objectName().isEmpty()) names.push_back(o->objectName());
    std::vector<QString> expected;
    for (const Expected& e : kExpected) expected.push_back(e.name);
    EXPECT_EQ(names, expected);

    for (const Expected& e : kExpected) {
        if (e.caption == nullptr) continue;
        auto* w = child<QWidget>(e.name);
        ASSERT_NE(w, nullptr) << e.name;
        EXPECT_EQ(w->property("text").toString(), e.caption) << e.name;  // lists have none
    }
    EXPECT_EQ(child<QCheckBox>("chkExact")->checkState(), Qt::Unchecked);
    for (const char* l : {"List1", "List2"}) EXPECT_EQ(child<QListWidget>(l)->count(), 0) << l;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_EQ(w->font(), QApplication::font()) << w->objectName().toStdString();
}

// At 96 DPI a pixel is 15 twips. A label or check box whose caption the default font does
// not fit may grow to the left and downwards: its top and right edge stay.
TEST_F(Window, ControlsWhereTheirTwipsPutThemShownOrHidden) {
    ASSERT_EQ(window->screen()->logicalDotsPerInchX(), 96);
    ASSERT_EQ(window->screen()->logicalDotsPerInchY(), 96);
    for (const Expected& e : kExpected) {
        if (e.caption == nullptr) continue;
        SCOPED_TRACE(e.name);
        auto* w = child<QWidget>(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->isVisible(), e.shown);
        const QRect want(px(e.left), px(e.top), px(e.width), px(e.height));
        const QRect got = w->geometry();
        const bool mayGrow = *e.caption != 0 && (qobject_cast<QLabel*>(w) != nullptr ||
                                                 qobject_cast<QCheckBox*>(w) != nullptr);
        if (!mayGrow) {
            EXPECT_EQ(got, want);
            continue;
        }
        EXPECT_EQ(got.top(), want.top());
        EXPECT_EQ(got.left() + got.width(), want.left() + want.width());
        EXPECT_GE(got.width(), want.width());
        EXPECT_GE(got.height(), want.height());
    }
}

TEST_F(Window, NoCaptionClipped) {
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QString caption = w->property("text").toString();
        if (caption.isEmpty() || qobject_cast<QLineEdit*>(w) != nullptr) continue;
        SCOPED_TRACE(w->objectName().toStdString());
        const QFontMetrics fm = w->fontMetrics();
        const int need = qobject_cast<QPushButton*>(w) != nullptr ? fm.horizontalAdvance(caption)
                                                                  : w->sizeHint().width();
        EXPECT_GE(w->width(), need);
        EXPECT_GE(w->height(), fm.height());
    }
}

// A screen reader names every shown control: the labels and buttons by their
// captions, the path box by a name of its own (a text box has no caption).
TEST_F(Window, ShownControlsHaveAccessibleNames) {
    int shown = 0;
    for (const Expected& e : kExpected) {
        if (!e.shown) continue;
        ++shown;
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(child<QWidget>(e.name));
        ASSERT_NE(i, nullptr) << e.name;
        if (*e.caption != 0) {
            EXPECT_EQ(i->text(QAccessible::Name), e.caption) << e.name;
        } else {
            EXPECT_FALSE(i->text(QAccessible::Name).isEmpty()) << e.name;
        }
    }
    EXPECT_EQ(shown, 5);
}

TEST_F(Window, EnterPressesTheFocusedButton) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    type("/d/a.mdb");
    guitest::FileDialogDriver driver;
    auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    // After a dialog: the window active again, the focus where it was.
    auto backTo = [this](QWidget& button) {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        button.setFocus();
    };

    press(Qt::Key_Tab);  // Sfoglia
    driver.cancel();
    press(Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(driver.seen().title, "Browse for Database File");

    backTo(a->cmdBrowse());
    press(Qt::Key_Tab);  // Converti
    driver.cancel();
    press(Qt::Key_Return);
    ASSERT_TRUE(driver.seen().seen);
    EXPECT_EQ(driver.seen().title, "Save to Excel File");

    backTo(a->cmdOK());
    press(Qt::Key_Tab);  // Esci
    ASSERT_EQ(QApplication::focusWidget(), &a->cmdCancel());
    guitest::EndRecorder ends;
    press(Qt::Key_Return);
    EXPECT_EQ(ends.ends(), 1);
}

TEST_F(Window, Text1HasTheFocusAndTabGoesToSfogliaConvertiEsci) {
    EXPECT_TRUE(child<QWidget>("Text1")->hasFocus());
    std::vector<QString> order;
    for (int i = 0; i < 4; ++i) {
        order.push_back(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<QString>{"Text1", "cmdBrowse", "cmdOK", "cmdCancel"}));
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "Text1");  // round again
}

TEST_F(Window, HiddenControlsNeverTakeTheFocus) {
    for (const Expected& e : kExpected) {
        if (e.shown || e.caption == nullptr) continue;
        auto* w = child<QWidget>(e.name);
        w->setFocus();
        EXPECT_FALSE(w->hasFocus()) << e.name;
    }
}

TEST_F(Window, NothingRunsWhenTheWindowIsCreated) {
    EXPECT_EQ(files->enginesCreated, 0);
    EXPECT_TRUE(files->log.isEmpty());
}

TEST_F(Window, EnlargingShowsNothingMore) {
    window->resize(1000, 700);
    QCoreApplication::processEvents();
    int shown = 0;
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        shown += w->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 5);
}

TEST_F(Window, ClosingWithNoDatabaseIgnoresTheFailingClose) {
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(a->dbBrowse(), nullptr);
}

TEST_F(Window, ClosingClosesTheBrowseConnectionAndLoadsNothingAfterwards) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    a->Text1().setText("/d/a.mdb");
    a->LoadTables();
    ASSERT_NE(a->dbBrowse(), nullptr);
    window->close();
    EXPECT_EQ(a->dbBrowse(), nullptr);
    EXPECT_TRUE(files->log.contains("close /d/a.mdb"));
    EXPECT_EQ(files->liveConnections, 0);
    EXPECT_EQ(files->log.back(), "close /d/a.mdb");  // no loading after the unload
}

TEST_F(Window, UnloadIgnoresAFailingCloseAndStillReleases) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    a->Text1().setText("/d/a.mdb");
    a->LoadTables();
    files->closeFails = true;
    window->close();
    EXPECT_EQ(a->dbBrowse(), nullptr);
    EXPECT_EQ(files->liveConnections, 0);
}

TEST_F(Window, EsciEndsAtOnceWithoutUnload) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    a->Text1().setText("/d/a.mdb");
    a->LoadTables();
    guitest::EndRecorder ends;
    const QStringList before = files->log;
    QTest::mouseClick(&a->cmdCancel(), Qt::LeftButton);
    EXPECT_EQ(ends.ends(), 1);
    EXPECT_NE(a->dbBrowse(), nullptr);  // not closed by the system
    // Focus left Text1 for the button first, which reloads; no close at all.
    for (const QString& line : files->log)
        EXPECT_FALSE(line.startsWith("close")) << line.toStdString();
}

TEST_F(Window, ClearEmptiesExactlyTheSixDisplays) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    a->Text1().setText("/d/a.mdb");
    a->LoadTables();
    a->txtSearch().setText("Roma");
    a->txtWorkSheetName().setText("S");
    a->chkExact().setValue(1);
    a->strTable() = "kept";
    ASSERT_EQ(a->List1().ListCount(), 1);
    ASSERT_EQ(a->lblFieldType().Caption(), "Long");
    engine::Database* browse = a->dbBrowse().get();

    a->cmdClear().click();  // hidden: clicked by code, as no user can
    EXPECT_EQ(a->Text1().Text(), "");
    EXPECT_EQ(a->List1().ListCount(), 0);
    EXPECT_EQ(a->List2().ListCount(), 0);
    EXPECT_EQ(a->lblFieldType().Caption(), "");
    EXPECT_EQ(a->txtSearch().Text(), "");
    EXPECT_EQ(a->txtWorkSheetName().Text(), "");
    EXPECT_EQ(a->chkExact().Value(), 1);
    EXPECT_EQ(a->strTable(), "kept");
    EXPECT_EQ(a->dbBrowse().get(), browse);
    EXPECT_FALSE(files->log.contains("close /d/a.mdb"));
}

}  // namespace
