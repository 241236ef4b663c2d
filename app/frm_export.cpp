// frmExport as a whole: its design, its event map, and the routines that
// concern the window as a whole: Clear, End and Unload. The other routines live in
// frm_export_path.cpp (path entry), frm_export_catalogue.cpp (tables and fields) and
// frm_export_export.cpp (the export command).
#include "frm_export.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyle>

#include "catalogue/catalogue.h"
#include "design.h"
#include "toolkit/toolkit.h"
#include "window_icon.h"

frmExport::frmExport(EngineFactory engineFactory, QWidget* parent)
    : QWidget(parent), engineFactory_(std::move(engineFactory)) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Converte dati in excel"));
    setWindowIcon(windowIcon16And48());
    createControls();
    wireEvents();
    Text1->setFocus();
}

frmExport::~frmExport() {
    // The controls outlive this part of the window by a little (QWidget deletes its
    // children later); no event of theirs may reach the routines from now on.
    cmdBrowse->onClick({});
    cmdCancel->onClick({});
    cmdClear->onClick({});
    cmdOK->onClick({});
    List1->onClick({});
    List1->onKeyDown({});
    List2->onClick({});
    Text1->onDblClick({});
    Text1->onKeyPress({});
    Text1->onLostFocus({});
}

void frmExport::createControls() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpiX = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    const double dpiY = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;

    std::vector<QWidget*> byTab(32, nullptr);
    for (const design::Control& c : design::kControls) {
        const QString name = QString::fromLatin1(c.name);
        const QString caption = QString::fromLatin1(c.caption);
        QWidget* widget = nullptr;
        switch (c.kind) {
            case design::Kind::CommonDialog: {
                // No body at run time: an object, not a widget.
                CommonDialog1 = new toolkit::CommonDialog(this);
                CommonDialog1->setObjectName(name);
                CommonDialog1->setDefaultExt(QStringLiteral(".mdb"));
                CommonDialog1->setFilter(QStringLiteral("Database File (*.mdb)|*.mdb"));
                continue;
            }
            case design::Kind::CommandButton: {
                auto* b = new toolkit::CommandButton(this);
                b->setText(caption);
                widget = b;
                break;
            }
            case design::Kind::TextBox: {
                auto* t = new toolkit::TextBox(this);
                t->setText(caption);
                widget = t;
                break;
            }
            case design::Kind::CheckBox: {
                auto* k = new toolkit::CheckBox(this);
                k->setText(caption);
                widget = k;
                break;
            }
            case design::Kind::ListBox:
                widget = new toolkit::ListBox(this);
                break;
            case design::Kind::Label: {
                auto* l = new toolkit::Label(this);
                l->setCaption(caption);
                widget = l;
                break;
            }
        }
        widget->setObjectName(name);
        QRect rect = design::designRect(c, dpiX, dpiY);
        widget->setGeometry(rect);
        if (name == QLatin1String("lblFieldType")) {
            // BorderStyle 1 (fixed single) and Appearance 1 (3D): a sunken frame.
            auto* l = static_cast<QLabel*>(widget);
            l->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
            l->setAutoFillBackground(true);
            QPalette p = l->palette();
            p.setColor(QPalette::Window, Qt::white);
            l->setPalette(p);
        }
        // A caption that the default font does not fit grows the control to the left
        // (keeping its right edge) and downwards (keeping its top).
        const QSize grow = design::captionShortfall(*widget);
        if (!grow.isNull()) {
            rect.setLeft(rect.left() - grow.width());
            rect.setHeight(rect.height() + grow.height());
            widget->setGeometry(rect);
            widget->setProperty("designGrowth", grow);
        }
        if (!c.shown) {
            widget->hide();
            widget->setFocusPolicy(Qt::NoFocus);  // a hidden control never gets the focus
        }
        if (c.tab >= 0 && c.tab < static_cast<int>(byTab.size())) byTab[c.tab] = widget;
    }

    cmdClear = findChild<toolkit::CommandButton*>(QStringLiteral("cmdClear"));
    txtWorkSheetName = findChild<toolkit::TextBox*>(QStringLiteral("txtWorkSheetName"));
    txtSearch = findChild<toolkit::TextBox*>(QStringLiteral("txtSearch"));
    cmdCancel = findChild<toolkit::CommandButton*>(QStringLiteral("cmdCancel"));
    chkExact = findChild<toolkit::CheckBox*>(QStringLiteral("chkExact"));
    List2 = findChild<toolkit::ListBox*>(QStringLiteral("List2"));
    cmdOK = findChild<toolkit::CommandButton*>(QStringLiteral("cmdOK"));
    List1 = findChild<toolkit::ListBox*>(QStringLiteral("List1"));
    cmdBrowse = findChild<toolkit::CommandButton*>(QStringLiteral("cmdBrowse"));
    Text1 = findChild<toolkit::TextBox*>(QStringLiteral("Text1"));
    Label6 = findChild<toolkit::Label*>(QStringLiteral("Label6"));
    Label4 = findChild<toolkit::Label*>(QStringLiteral("Label4"));
    Label5 = findChild<toolkit::Label*>(QStringLiteral("Label5"));
    lblFieldType = findChild<toolkit::Label*>(QStringLiteral("lblFieldType"));
    Label3 = findChild<toolkit::Label*>(QStringLiteral("Label3"));
    Label2 = findChild<toolkit::Label*>(QStringLiteral("Label2"));
    Label1 = findChild<toolkit::Label*>(QStringLiteral("Label1"));

    // Tab order by tab index; labels take no focus and hidden controls none either.
    QWidget* previous = nullptr;
    for (QWidget* w : byTab) {
        if (w == nullptr || w->focusPolicy() == Qt::NoFocus) continue;
        if (previous != nullptr) setTabOrder(previous, w);
        previous = w;
    }

    // Client area as designed, centred on the screen.
    const QSize client(design::pixels(design::kClientWidth, dpiX),
                       design::pixels(design::kClientHeight, dpiY));
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, client, available));
}

void frmExport::wireEvents() {
    // The event map; every other event of every control is ignored.
    cmdBrowse->onClick([this] { cmdBrowse_Click(); });
    cmdCancel->onClick([this] { cmdCancel_Click(); });
    cmdClear->onClick([this] { cmdClear_Click(); });
    cmdOK->onClick([this] { cmdOK_Click(); });
    List1->onClick([this] { List1_Click(); });
    List1->onKeyDown([this](int& KeyCode, int& Shift) { List1_KeyDown(KeyCode, Shift); });
    List2->onClick([this] { List2_Click(); });
    Text1->onDblClick([this] { Text1_DblClick(); });
    Text1->onKeyPress([this](std::int16_t& KeyAscii) { Text1_KeyPress(KeyAscii); });
    Text1->onLostFocus([this] { Text1_LostFocus(); });
}

void frmExport::closeEvent(QCloseEvent* event) {
    toolkit::dispatch([this] { Form_Unload(); });
    event->accept();  // the unload is never cancelled
}

engine::Engine& frmExport::engineObject() {
    if (!engine_) {
        engine_ = engineFactory_ ? engineFactory_() : nullptr;
        if (!engine_) toolkit::raiseObjectNotSet();
    }
    return *engine_;
}

engine::Database& frmExport::browseConnection() {
    if (!dbBrowse) toolkit::raiseObjectNotSet();
    return *dbBrowse;
}

QString frmExport::FieldType(const std::int16_t& intType) { return catalogue::typeWord(intType); }

void frmExport::cmdCancel_Click() {
    // End: at once, without the unload routine; the platform releases dbBrowse.
    toolkit::end();
}

void frmExport::cmdClear_Click() {
    Text1->setText(QString());
    List1->Clear();
    List2->Clear();
    lblFieldType->setCaption(QString());
    txtSearch->setText(QString());
    txtWorkSheetName->setText(QString());
}

void frmExport::Form_Unload() {
    // Every error ignored: a failing statement is skipped and the next one runs.
    try {
        browseConnection().close();
    } catch (const toolkit::ProgramEnd&) {
        throw;
    } catch (...) {
    }
    dbBrowse.reset();
}

void frmExport::List1_Click() { LoadFields(); }

void frmExport::List1_KeyDown(int& /*KeyCode*/, int& /*Shift*/) { LoadFields(); }
