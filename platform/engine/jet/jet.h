#pragma once
// Reading Access databases: Jet 3 and Jet 4 (.mdb, Access 97 to 2003) and ACE
// (.accdb, Access 2007, 2010, 2016 and 2019). Open a file, list its tables, read a
// table's columns and rows as typed engine values.
//
// Every failure throws converti::Error with a number from core/error_codes.h and a
// description naming the file, table or row. Corrupt or hostile files end in an
// error, never in a crash or a hang.
//
// Ownership: a Table keeps what it needs of its Database alive (the open file),
// so either may be dropped first. Nothing here is thread-safe; use one thread per
// Database.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace jet {

class PageFile;

class Table : public engine::RowSource {
public:
    ~Table() override;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::u16string& name() const;
    // In the table's field order (column number), deleted columns left out.
    const std::vector<engine::Column>& columns() const override;
    // Rows in storage order: data pages in page order, rows in slot order, a row
    // moved to an overflow page read where its pointer stands. Deleted rows are
    // skipped. Values of the previous call are overwritten in place.
    bool next(engine::Row& row) override;

    struct Impl;
    explicit Table(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

class Database {
public:
    // Opens a database read-only. Errors: 3024 no such file, 3044 a folder, 3051
    // no permission, 3343 not an Access database, a version this reader does not
    // know, or corrupt; 3031 protected by a database password or encrypted
    // (nothing past the header is read).
    static std::unique_ptr<Database> open(const std::string& path);
    // The same over a file's bytes held in memory (tests, fuzzing). Linked tables
    // resolve relative to the current directory.
    static std::unique_ptr<Database> openBuffer(std::string bytes);

    ~Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Every table of the catalogue (system and linked tables included), in the
    // engine's order of names (core/name_order.h).
    const std::vector<std::u16string>& tableNames() const;
    // Exact name first, then case-insensitive. Unknown name: error 3078. A linked
    // table opens its own database file (the stored path, else the same file name
    // beside this database); when neither exists: error 3024 naming both.
    std::unique_ptr<Table> openTable(std::u16string_view name);

    // 3, 4 (Jet); 12, 14, 16, 17 (ACE: Access 2007, 2010, 2016, 2019).
    int jetVersion() const;

private:
    Database();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
