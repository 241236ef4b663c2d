#pragma once
// frmExport, the program's one window: its controls, its state members, its event map
// and its routines.
//
// Construction: frmExport(engineFactory). The factory is called once, on the first
// use of the engine (LoadTables or RunExport); the default is engine::createEngine.
// Tests pass a factory that returns a fake engine. Nothing runs when the window is
// created; show() it to start. Closing the window runs the unload routine.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/engine.h"

namespace toolkit {
class CheckBox;
class CommandButton;
class CommonDialog;
class Label;
class ListBox;
class TextBox;
}  // namespace toolkit

struct frmExportTestAccess;  // tests reach the state members and routines through it

class frmExport : public QWidget {
    Q_OBJECT
public:
    using EngineFactory = std::function<std::unique_ptr<engine::Engine>()>;

    explicit frmExport(EngineFactory engineFactory = &engine::createEngine,
                       QWidget* parent = nullptr);
    ~frmExport() override;

    // The type word of a field type code; no side effects, cannot fail.
    QString FieldType(const std::int16_t& intType);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend struct frmExportTestAccess;

    // ---- state members ----------------------------------------------------------------
    QString strExcelFile;
    QString strWorkSheet;
    QString strDatabase;
    QString strTable;
    std::unique_ptr<engine::Database> dbExport;
    QString strField;
    QString strSearch;
    std::unique_ptr<engine::Database> dbBrowse;
    QString strWildcard;
    QString strKeyPending;

    // ---- operations -------------------------------------------------------------------
    void RunExport();
    void BrowseDatabase();
    void LoadTables();
    void cmdBrowse_Click();
    void cmdCancel_Click();
    void cmdClear_Click();
    void cmdOK_Click();
    void Form_Unload();
    void List1_Click();
    void List1_KeyDown(int& KeyCode, int& Shift);
    void LoadFields();
    void List2_Click();
    void Text1_DblClick();
    void Text1_KeyPress(std::int16_t& KeyAscii);
    void Text1_LostFocus();

    // ---- controls, in the order of the window's children ------------------------------
    toolkit::CommandButton* cmdClear = nullptr;
    toolkit::TextBox* txtWorkSheetName = nullptr;
    toolkit::TextBox* txtSearch = nullptr;
    toolkit::CommonDialog* CommonDialog1 = nullptr;
    toolkit::CommandButton* cmdCancel = nullptr;
    toolkit::CheckBox* chkExact = nullptr;
    toolkit::ListBox* List2 = nullptr;
    toolkit::CommandButton* cmdOK = nullptr;
    toolkit::ListBox* List1 = nullptr;
    toolkit::CommandButton* cmdBrowse = nullptr;
    toolkit::TextBox* Text1 = nullptr;
    toolkit::Label* Label6 = nullptr;
    toolkit::Label* Label4 = nullptr;
    toolkit::Label* Label5 = nullptr;
    toolkit::Label* lblFieldType = nullptr;
    toolkit::Label* Label3 = nullptr;
    toolkit::Label* Label2 = nullptr;
    toolkit::Label* Label1 = nullptr;

    // ---- building the window and reaching the engine ----------------------------------
    void createControls();
    void wireEvents();
    // The engine object, created on first use.
    engine::Engine& engineObject();
    // dbBrowse, or error 91 when there is none.
    engine::Database& browseConnection();

    EngineFactory engineFactory_;
    std::unique_ptr<engine::Engine> engine_;
};
