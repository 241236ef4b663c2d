// The window as designed, Clear, Esci and unload.
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "design.h"
#include "window_fixture.h"

namespace {

using WindowDesign = WindowTest;

TEST_F(WindowDesign, OffscreenLogicalDpiIs96) {
    EXPECT_EQ(window->screen()->logicalDotsPerInchX(), 96);
    EXPECT_EQ(window->screen()->logicalDotsPerInchY(), 96);
}

TEST_F(WindowDesign, CaptionIconAndClientAreaCentred) {
    EXPECT_EQ(window->objectName(), "frmExport");
    EXPECT_EQ(window->windowTitle(), "Converte dati in excel");
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(48, 48)));
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

TEST_F(WindowDesign, EveryControlInTheDesignsOrderWithItsNameKindAndCaption) {
    std::vector<QString> names;
    for (QObject* o : window->children())
        if (!o->objectName().isEmpty()) names.push_back(o->objectName());
    std::vector<QString> expected;
    for (const design::Control& c : design::kControls) expected.push_back(c.name);
    EXPECT_EQ(names, expected);

    EXPECT_EQ(child<QPushButton>("cmdClear")->text(), "Clear");
    EXPECT_EQ(child<QPushButton>("cmdCancel")->text(), "Esci");
    EXPECT_EQ(child<QPushButton>("cmdOK")->text(), "Converti");
    EXPECT_EQ(child<QPushButton>("cmdBrowse")->text(), "Sfoglia");
    EXPECT_EQ(child<QCheckBox>("chkExact")->text(), "Exact Match");
    EXPECT_EQ(child<QCheckBox>("chkExact")->checkState(), Qt::Unchecked);
    EXPECT_EQ(child<QLabel>("Label1")->text(), "Database :");
    EXPECT_EQ(child<QLabel>("Label2")->text(), "Tables:");
    EXPECT_EQ(child<QLabel>("Label3")->text(), "Fields:");
    EXPECT_EQ(child<QLabel>("Label4")->text(), "Search:");
    EXPECT_EQ(child<QLabel>("Label5")->text(), "Field Type:");
    EXPECT_EQ(child<QLabel>("Label6")->text(), "WorkSheet Name:");
    EXPECT_EQ(child<QLabel>("lblFieldType")->text(), "");
    for (const char* t : {"Text1", "txtSearch", "txtWorkSheetName"})
        EXPECT_EQ(child<QLineEdit>(t)->text(), "") << t;
    for (const char* l : {"List1", "List2"}) EXPECT_EQ(child<QListWidget>(l)->count(), 0) << l;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_EQ(w->font(), QApplication::font()) << w->objectName().toStdString();
}

TEST_F(WindowDesign, ShownControlsWhereTheTablePutsThemAndHiddenOnesHidden) {
    for (const design::Control& c : design::kControls) {
        if (c.kind == design::Kind::CommonDialog) continue;
        auto* w = child<QWidget>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->isVisible(), c.shown) << c.name;
        QRect expected = design::designRect(c, 96, 96);
        const QVariant g = w->property("designGrowth");
        const QSize grow = g.isValid() ? g.toSize() : QSize(0, 0);
        expected.setLeft(expected.left() - grow.width());
        expected.setHeight(expected.height() + grow.height());
        EXPECT_EQ(w->geometry(), expected) << c.name;
    }
    // The five shown controls at 96 DPI (15 twips to the pixel).
    EXPECT_EQ(child<QWidget>("Text1")->geometry(), QRect(92, 8, 236, 19));
    EXPECT_EQ(child<QWidget>("cmdBrowse")->geometry(), QRect(336, 8, 56, 19));
    EXPECT_EQ(child<QWidget>("cmdCancel")->geometry(), QRect(104, 72, 80, 22));
    EXPECT_EQ(child<QWidget>("cmdOK")->geometry(), QRect(232, 72, 80, 22));
    // Label1 keeps its right edge (32 + 57) and its top; it may grow to the left.
    const QRect label1 = child<QWidget>("Label1")->geometry();
    EXPECT_EQ(label1.left() + label1.width(), 89);
    EXPECT_EQ(label1.top(), 8);
    EXPECT_EQ(label1.height(), 18);
}

TEST_F(WindowDesign, NoCaptionClipped) {
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_EQ(design::captionShortfall(*w), QSize(0, 0)) << w->objectName().toStdString();
    // Which controls grew, for the record.
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!w->property("designGrowth").isValid()) continue;
        const QSize g = w->property("designGrowth").toSize();
        std::printf("grew: %s by %d x %d px\n", qPrintable(w->objectName()), g.width(), g.height());
    }
}

TEST_F(WindowDesign, FieldTypeLabelIsWhiteWithASunkenBorder) {
    auto* l = child<QLabel>("lblFieldType");
    EXPECT_TRUE(l->autoFillBackground());
    EXPECT_EQ(l->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(l->frameShape(), QFrame::WinPanel);
    EXPECT_EQ(l->frameShadow(), QFrame::Sunken);
}

TEST_F(WindowDesign, Text1HasTheFocusAndTheTabOrderIsAsDesigned) {
    EXPECT_TRUE(child<QWidget>("Text1")->hasFocus());
    std::vector<QString> order;
    QWidget* w = child<QWidget>("Text1");
    for (int i = 0; i < 4; ++i) {
        order.push_back(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    (void)w;
    EXPECT_EQ(order, (std::vector<QString>{"Text1", "cmdBrowse", "cmdOK", "cmdCancel"}));
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "Text1");  // round again
}

TEST_F(WindowDesign, HiddenControlsNeverTakeTheFocus) {
    for (const design::Control& c : design::kControls) {
        if (c.shown || c.kind == design::Kind::CommonDialog) continue;
        auto* w = child<QWidget>(c.name);
        w->setFocus();
        EXPECT_FALSE(w->hasFocus()) << c.name;
    }
}

TEST_F(WindowDesign, StateMembersEmptyAndNoDatabaseOpenAtStart) {
    EXPECT_TRUE(a->strExcelFile().isEmpty());
    EXPECT_TRUE(a->strWorkSheet().isEmpty());
    EXPECT_TRUE(a->strDatabase().isEmpty());
    EXPECT_TRUE(a->strTable().isEmpty());
    EXPECT_EQ(a->dbExport(), nullptr);
    EXPECT_TRUE(a->strField().isEmpty());
    EXPECT_TRUE(a->strSearch().isEmpty());
    EXPECT_EQ(a->dbBrowse(), nullptr);
    EXPECT_TRUE(a->strWildcard().isEmpty());
    EXPECT_TRUE(a->strKeyPending().isEmpty());
    EXPECT_EQ(files->enginesCreated, 0);  // nothing runs when the window is created
    EXPECT_TRUE(files->log.isEmpty());
}

TEST_F(WindowDesign, CommonDialogStartsAsDesigned) {
    auto* d = window->findChild<toolkit::CommonDialog*>("CommonDialog1");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->DefaultExt(), ".mdb");
    EXPECT_EQ(d->Filter(), "Database File (*.mdb)|*.mdb");
    EXPECT_EQ(d->FileName(), "");
}

TEST_F(WindowDesign, EnlargingShowsNothingMore) {
    window->resize(1000, 700);
    QCoreApplication::processEvents();
    int shown = 0;
    for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        shown += w->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 5);
}

TEST_F(WindowDesign, ClosingWithNoDatabaseIgnoresTheFailingClose) {
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(a->dbBrowse(), nullptr);
}

TEST_F(WindowDesign, ClosingClosesTheBrowseConnectionAndLoadsNothingAfterwards) {
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

TEST_F(WindowDesign, UnloadIgnoresAFailingCloseAndStillReleases) {
    files->databases["/d/a.mdb"] = {{"T", {{"F", 4}}}};
    a->Text1().setText("/d/a.mdb");
    a->LoadTables();
    files->closeFails = true;
    window->close();
    EXPECT_EQ(a->dbBrowse(), nullptr);
    EXPECT_EQ(files->liveConnections, 0);
}

TEST_F(WindowDesign, EsciEndsAtOnceWithoutUnload) {
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

TEST_F(WindowDesign, ClearEmptiesExactlyTheSixDisplays) {
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
