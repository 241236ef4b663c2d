#pragma once
// The export statement and the two rules that derive its values from the window.
// Pure text work: nothing here touches the engine or the controls.

#include <QString>

// The statement that copies the rows of strTable whose strField matches
// strWildcard + strSearch + strWildcard into worksheet strWorkSheet of the
// workbook strExcelFile. Values go in as typed, except that a single quote in
// the pattern is doubled and a "]" inside a bracketed name or path is doubled,
// so that no typed value can end a quote or a bracket early and change what the
// statement does. Values free of quotes and brackets appear exactly as typed.
QString BuildExportSql(const QString& strExcelFile, const QString& strWorkSheet,
                       const QString& strTable, const QString& strField, const QString& strSearch,
                       const QString& strWildcard);

// The text of the worksheet-name box, or "WorkSheet1" when it is exactly empty.
QString WorkSheetNameRule(const QString& text);

// "" for a checked Exact Match box (value 1), "*" for any other value (0, 2 greyed).
QString WildcardRule(int chkExactValue);
