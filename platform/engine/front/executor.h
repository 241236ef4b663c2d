#pragma once
// Running the export (SELECT ... INTO a worksheet) on an open database, for the
// window; engine.h's runStatement() is the command-line tool's way in. Both
// read the table once and test rows as they come.

#include <QString>

namespace jet {
class Database;
}

namespace engine {

// Runs an action statement (SELECT ... INTO [Excel 8.0;DATABASE=path].[sheet]).
// A SELECT without INTO is refused (3065). Throws converti::Error; on any error
// no workbook file is created or changed.
void executeStatement(jet::Database& db, const QString& statement);

}  // namespace engine
