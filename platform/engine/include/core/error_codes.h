#pragma once
// Error numbers of the engine, in one place. The numbers are DAO/Jet's, which people who
// used Access databases know, so a search for one finds its usual meaning; the
// descriptions are our own and name the file, table or field.

#include <QString>

#include "error/error.h"

namespace engine {

enum ErrorCode : int {
    kErrReservedError = 3000,        // internal failure of the engine, or use after close
    kErrTableExists = 3010,          // "Table 'X' already exists."
    kErrFileNotFound = 3024,         // database file not found
    kErrInvalidPassword = 3031,      // database password set
    kErrInvalidPath = 3044,          // not a valid path / folder missing
    kErrCannotOpen = 3051,           // permission, in use, cannot write
    kErrTooFewParameters = 3061,     // unknown name in a statement
    kErrCannotExecuteSelect = 3065,  // Execute given a SELECT without INTO
    kErrSyntaxInExpression = 3075,   // syntax error in query expression
    kErrTableNotFound = 3078,        // input table or query not found
    kErrItemNotFound = 3265,         // no item of that index in a collection
    kErrInvalidName = 3125,          // not a valid name (e.g. a worksheet name)
    kErrSyntaxInFrom = 3131,         // syntax error in FROM clause
    kErrSyntaxInStatement = 3144,    // syntax error in statement / unsupported form
    kErrIsamNotFound = 3170,         // installable format not supported
    kErrNotExpectedFormat = 3274,    // workbook not in the expected format
    kErrUnrecognizedFormat = 3343,   // not a Jet database / corrupt
    kErrFieldTooLong = 3163,         // a value too large for a cell
    kErrDiskFull = 3026,             // not enough space on disk
    kErrCreateFailed = 3436,         // creating or writing the workbook file failed
    kErrSheetFull = 3437,            // the sheet cannot hold the rows (limit of the format)
    kErrTypeMismatch = 3464,         // incompatible types compared in a WHERE clause
};

[[noreturn]] inline void raise(int number, const QString& description) {
    throw converti::Error(number, description);
}

}  // namespace engine
