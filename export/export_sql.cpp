#include "export_sql.h"

namespace {

// Inside [...] the engine reads "]]" as one "]".
QString bracketed(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char(']'), QLatin1String("]]"));
    return out;
}

// Inside '...' the engine reads "''" as one "'".
QString quoted(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

}  // namespace

QString BuildExportSql(const QString& strExcelFile, const QString& strWorkSheet,
                       const QString& strTable, const QString& strField, const QString& strSearch,
                       const QString& strWildcard) {
    const QString table = bracketed(strTable);
    QString sql;
    sql += QLatin1String("SELECT * INTO [Excel 8.0;DATABASE=");
    sql += bracketed(strExcelFile);
    sql += QLatin1String("].[");
    sql += bracketed(strWorkSheet);
    sql += QLatin1String("] FROM ");
    sql += QLatin1String("[");
    sql += table;
    sql += QLatin1String("]");
    sql += QLatin1String("WHERE [");
    sql += table;
    sql += QLatin1String(".");
    sql += bracketed(strField);
    sql += QLatin1String("]like '");
    sql += quoted(strWildcard);
    sql += quoted(strSearch);
    sql += quoted(strWildcard);
    sql += QLatin1String("';");
    return sql;
}

QString WorkSheetNameRule(const QString& text) {
    return text.isEmpty() ? QStringLiteral("WorkSheet1") : text;
}

QString WildcardRule(int chkExactValue) {
    return chkExactValue == 1 ? QString() : QStringLiteral("*");
}
