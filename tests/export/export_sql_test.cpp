#include "export/export_sql.h"

#include <gtest/gtest.h>

namespace {

struct StatementCase {
    const char* name;
    const char* excelFile;
    const char* workSheet;
    const char* table;
    const char* field;
    const char* search;
    const char* wildcard;
    const char* expected;
};

const StatementCase kStatements[] = {
    {"exact match", R"(C:\out\a.xls)", "S", "Clienti", "Citta", "Roma", "",
     R"(SELECT * INTO [Excel 8.0;DATABASE=C:\out\a.xls].[S] FROM [Clienti]WHERE [Clienti.Citta]like 'Roma';)"},
    {"not exact", R"(C:\out\a.xls)", "S", "Clienti", "Citta", "Roma", "*",
     R"(SELECT * INTO [Excel 8.0;DATABASE=C:\out\a.xls].[S] FROM [Clienti]WHERE [Clienti.Citta]like '*Roma*';)"},
    {"not exact, empty search", "/tmp/a.xls", "WorkSheet1", "Clienti", "ID", "", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[WorkSheet1] FROM [Clienti]WHERE [Clienti.ID]like '**';"},
    {"exact, empty search", "/tmp/a.xls", "WorkSheet1", "Clienti", "ID", "", "",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[WorkSheet1] FROM [Clienti]WHERE [Clienti.ID]like '';"},
    {"empty workbook path", "", "WorkSheet1", "T", "F", "", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=].[WorkSheet1] FROM [T]WHERE [T.F]like '**';"},
    {"blanks kept as typed", "/home/u/my book.xls", "  ", "Order Details", "Unit Price", " a ", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/home/u/my book.xls].[  ] FROM [Order Details]WHERE "
     "[Order Details.Unit Price]like '* a *';"},
    {"empty table and field", "/tmp/a.xls", "WorkSheet1", "", "", "", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[WorkSheet1] FROM []WHERE [.]like '**';"},
    // A quote in the search text no longer ends the pattern.
    {"quote in search", "/tmp/a.xls", "S", "T", "F", "D'Amico", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[S] FROM [T]WHERE [T.F]like '*D''Amico*';"},
    {"injection attempt stays inside the pattern", "/tmp/a.xls", "S", "T", "F", "x' OR 'a'='a", "",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[S] FROM [T]WHERE [T.F]like 'x'' OR ''a''=''a';"},
    // A "]" no longer ends a bracket.
    {"bracket in every name", "/tmp/x]y.xls", "S]", "T]1", "F]2", "", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/x]]y.xls].[S]]] FROM [T]]1]WHERE [T]]1.F]]2]like '**';"},
    {"opening bracket left alone", "/tmp/[a].xls", "S", "[T", "F", "[", "",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/[a]].xls].[S] FROM [[T]WHERE [[T.F]like '[';"},
    {"non-Latin text", "/tmp/é.xls", "Foglio", "Città", "Località", "Ω", "*",
     "SELECT * INTO [Excel 8.0;DATABASE=/tmp/é.xls].[Foglio] FROM [Città]WHERE [Città.Località]like '*Ω*';"},
};

TEST(BuildExportSql, ComposesTheStatementPieceByPiece) {
    for (const auto& c : kStatements) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BuildExportSql(QString::fromUtf8(c.excelFile), QString::fromUtf8(c.workSheet),
                                 QString::fromUtf8(c.table), QString::fromUtf8(c.field),
                                 QString::fromUtf8(c.search), QString::fromUtf8(c.wildcard)),
                  QString::fromUtf8(c.expected));
    }
}

}  // namespace
