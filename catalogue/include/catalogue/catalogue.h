#pragma once
// The database catalogue's pure parts: which candidate path names
// a database, which table names are system tables, the type words of field type
// codes, and a recordset that is closed on every path. The routines that use them
// (LoadTables, LoadFields, the click of List2, FieldType) are frmExport's own.

#include <QString>
#include <cstdint>
#include <memory>

#include "engine/engine.h"

namespace catalogue {

// True when the last four characters of the candidate are exactly ".mdb"
// (case-sensitive; a shorter candidate is compared whole, so it never matches).
bool namesDatabase(const QString& candidate);

// True for a name that the table list leaves out: its upper-case form contains
// "MSYS" anywhere (a substring test, not a prefix test: ItemSystem is left out too).
bool isSystemTable(const QString& tableName);

// The type word of a field type code: "Boolean" for 1 ... "GUID" for 15;
// the empty string for any other code (9, 13, 14, 16 and up, 0, negatives).
QString typeWord(std::int16_t code);

// Owns a recordset for the length of one routine and closes it on every path: close()
// on the normal path passes errors on; the destructor closes what is still open and
// ignores errors (an error is already on its way up then).
class ScopedRecordset {
public:
    explicit ScopedRecordset(std::unique_ptr<engine::Recordset> recordset);
    ~ScopedRecordset();
    ScopedRecordset(const ScopedRecordset&) = delete;
    ScopedRecordset& operator=(const ScopedRecordset&) = delete;

    engine::Recordset* operator->() const { return recordset_.get(); }
    // Closes and releases the recordset.
    void close();

private:
    std::unique_ptr<engine::Recordset> recordset_;
};

}  // namespace catalogue
