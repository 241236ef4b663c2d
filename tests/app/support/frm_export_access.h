#pragma once
// Test access to frmExport's private state members and routines (the window declares
// this struct its friend). Header-only: include it in any test of the window.
#include "frm_export.h"
#include "toolkit/toolkit.h"

struct frmExportTestAccess {
    explicit frmExportTestAccess(frmExport& f) : f(f) {}
    frmExport& f;

    QString& strExcelFile() { return f.strExcelFile; }
    QString& strWorkSheet() { return f.strWorkSheet; }
    QString& strDatabase() { return f.strDatabase; }
    QString& strTable() { return f.strTable; }
    std::unique_ptr<engine::Database>& dbExport() { return f.dbExport; }
    QString& strField() { return f.strField; }
    QString& strSearch() { return f.strSearch; }
    std::unique_ptr<engine::Database>& dbBrowse() { return f.dbBrowse; }
    QString& strWildcard() { return f.strWildcard; }
    QString& strKeyPending() { return f.strKeyPending; }

    void RunExport() { f.RunExport(); }
    void BrowseDatabase() { f.BrowseDatabase(); }
    void LoadTables() { f.LoadTables(); }
    void LoadFields() { f.LoadFields(); }
    void Form_Unload() { f.Form_Unload(); }

    toolkit::CommandButton& cmdClear() { return *f.cmdClear; }
    toolkit::TextBox& txtWorkSheetName() { return *f.txtWorkSheetName; }
    toolkit::TextBox& txtSearch() { return *f.txtSearch; }
    toolkit::CommonDialog& CommonDialog1() { return *f.CommonDialog1; }
    toolkit::CommandButton& cmdCancel() { return *f.cmdCancel; }
    toolkit::CheckBox& chkExact() { return *f.chkExact; }
    toolkit::ListBox& List2() { return *f.List2; }
    toolkit::CommandButton& cmdOK() { return *f.cmdOK; }
    toolkit::ListBox& List1() { return *f.List1; }
    toolkit::CommandButton& cmdBrowse() { return *f.cmdBrowse; }
    toolkit::TextBox& Text1() { return *f.Text1; }
    toolkit::Label& lblFieldType() { return *f.lblFieldType; }
};
