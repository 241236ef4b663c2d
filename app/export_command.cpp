// The export command: the click of Converti and RunExport.
#include "export/export_sql.h"
#include "frm_export.h"
#include "toolkit/toolkit.h"

void frmExport::cmdOK_Click() {
    if (Text1->Text() == QString()) return;
    CommonDialog1->setDialogTitle(QStringLiteral("Save to Excel File"));
    CommonDialog1->setFileName(QString());
    CommonDialog1->setDefaultExt(QStringLiteral(".xls"));
    CommonDialog1->setFilter(QStringLiteral("Excel File (*.xls)|*.xls"));
    // Cancelling ends the command: there is no workbook to write.
    if (!CommonDialog1->ShowSave()) return;
    strExcelFile = CommonDialog1->FileName();
    strWorkSheet = WorkSheetNameRule(txtWorkSheetName->Text());
    strDatabase = Text1->Text();
    strTable = List1->Text();
    strField = List2->Text();
    strSearch = txtSearch->Text();
    strWildcard = WildcardRule(chkExact->Value());
    RunExport();
}

void frmExport::RunExport() {
    engine::Engine& eng = engineObject();
    dbExport = eng.openDatabase(strDatabase);
    // dbExport is closed and released on every path, also when the execution fails, so
    // no failed export keeps the database open.
    struct CloseOnExit {
        std::unique_ptr<engine::Database>& db;
        ~CloseOnExit() {
            if (!db) return;
            try {
                db->close();
            } catch (...) {
                // An error is already on its way to the report.
            }
            db.reset();
        }
    } guard{dbExport};
    const QString statement =
        BuildExportSql(strExcelFile, strWorkSheet, strTable, strField, strSearch, strWildcard);
    dbExport->execute(statement);
    dbExport->close();
    dbExport.reset();
}
