#pragma once
// Running statements on an open database: the export (SELECT ... INTO a
// worksheet) and, for the command-line tool, a plain SELECT whose rows are
// handed to the caller. Both read the table once and test rows as they come.

#include <QString>
#include <functional>
#include <vector>

#include "core/value.h"

namespace jet {
class Database;
}

namespace engine {

// Runs an action statement (SELECT ... INTO [Excel 8.0;DATABASE=path].[sheet]).
// A SELECT without INTO is refused (3065). Throws converti::Error; on any error
// no workbook file is created or changed.
void executeStatement(jet::Database& db, const QString& statement);

// Runs a SELECT without INTO: header() once with the selected columns, then
// row() for every matching row, projected onto those columns.
void runSelect(jet::Database& db, const QString& statement,
               const std::function<void(const std::vector<Column>&)>& header,
               const std::function<void(const Row&)>& row);

}  // namespace engine
