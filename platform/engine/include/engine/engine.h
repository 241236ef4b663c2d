#pragma once
// The database engine as the window uses it: open a database by path, list its
// table definitions, open a recordset on a table to read its field names and type
// codes, and execute the export statement. Every operation either succeeds or
// throws converti::Error with a number and a description.
//
// Ownership: the caller owns what it opens. Dropping a Database or Recordset
// without calling close() is allowed and releases everything it held.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/field_types.h"  // kTypeBoolean ... kTypeComplexText, what fieldType() returns
#include "error/error.h"

namespace engine {

class Recordset {
public:
    virtual ~Recordset() = default;
    virtual std::int16_t fieldCount() const = 0;
    // index runs from 0 to fieldCount() - 1; out of range throws.
    virtual QString fieldName(std::int16_t index) const = 0;
    virtual std::int16_t fieldType(std::int16_t index) const = 0;
    virtual void close() = 0;
};

class Database {
public:
    virtual ~Database() = default;
    // System tables included, in the engine's index order.
    virtual std::int16_t tableDefCount() const = 0;
    virtual QString tableDefName(std::int16_t index) const = 0;
    virtual std::unique_ptr<Recordset> openRecordset(const QString& tableName) = 0;
    virtual void execute(const QString& statement) = 0;
    virtual void close() = 0;
};

class Engine {
public:
    virtual ~Engine() = default;
    virtual std::unique_ptr<Database> openDatabase(const QString& path) = 0;
};

// The real engine over .mdb and .accdb files and Excel 8.0 workbooks.
std::unique_ptr<Engine> createEngine();

// Runs one statement on the database at `path`, for a program without the
// window (jetsql); the statement is parsed once, before the database is opened.
// An export (SELECT ... INTO) writes its workbook as execute() does. A SELECT
// without INTO calls header() once with the selected field names, then row()
// for each matching row with its values as texts: empty for Null, binary data
// as 0x and its bytes in hex digits, everything else in the text form the
// WHERE clause compares.
void runStatement(const QString& path, const QString& statement,
                  const std::function<void(const QStringList&)>& header,
                  const std::function<void(const QStringList&)>& row);

}  // namespace engine
