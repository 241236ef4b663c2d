// frmExport as a whole: its controls, its event map, and the routines that concern the
// window as a whole: Clear, End and Unload. The other routines live in path_entry.cpp
// (path entry), table_lists.cpp (the table and field lists) and export_command.cpp
// (the export command).
#include "frm_export.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPalette>

#include "catalogue/catalogue.h"
#include "form_layout.h"
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
    form_layout::Layout layout(QGuiApplication::primaryScreen());
    // In the window's order, which is also the order of its children.
    cmdClear = layout.place(new toolkit::CommandButton(this), "cmdClear");
    txtWorkSheetName = layout.place(new toolkit::TextBox(this), "txtWorkSheetName");
    txtSearch = layout.place(new toolkit::TextBox(this), "txtSearch");
    CommonDialog1 = new toolkit::CommonDialog(this);  // a dialog, no body in the window
    CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
    CommonDialog1->setDefaultExt(QStringLiteral(".mdb"));
    CommonDialog1->setFilter(QStringLiteral("Database File (*.mdb)|*.mdb"));
    cmdCancel = layout.place(new toolkit::CommandButton(this), "cmdCancel");
    chkExact = layout.place(new toolkit::CheckBox(this), "chkExact");
    List2 = layout.place(new toolkit::ListBox(this), "List2");
    cmdOK = layout.place(new toolkit::CommandButton(this), "cmdOK");
    List1 = layout.place(new toolkit::ListBox(this), "List1");
    cmdBrowse = layout.place(new toolkit::CommandButton(this), "cmdBrowse");
    Text1 = layout.place(new toolkit::TextBox(this), "Text1");
    Label6 = layout.place(new toolkit::Label(this), "Label6");
    Label4 = layout.place(new toolkit::Label(this), "Label4");
    Label5 = layout.place(new toolkit::Label(this), "Label5");
    lblFieldType = layout.place(new toolkit::Label(this), "lblFieldType");
    Label3 = layout.place(new toolkit::Label(this), "Label3");
    Label2 = layout.place(new toolkit::Label(this), "Label2");
    Label1 = layout.place(new toolkit::Label(this), "Label1");

    // A screen reader names the path box after its label; the buttons by their captions.
    Text1->setAccessibleName(QStringLiteral("Database"));
    // The type label: white, in a sunken frame.
    lblFieldType->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    lblFieldType->setAutoFillBackground(true);
    QPalette white = lblFieldType->palette();
    white.setColor(QPalette::Window, Qt::white);
    lblFieldType->setPalette(white);

    layout.setTabOrder();
    setGeometry(layout.windowGeometry());
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
