#pragma once
// Table definitions (TDEF pages) and finding rows on a page: the parts of the
// reader below the public Database/Table.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "page_file.h"
#include "text.h"

namespace jet {

struct ComplexSource;

struct ColumnDef {
    std::u16string name;
    std::uint8_t type = 0;        // ColumnType; a calculated column's result type once known
    engine::Type engineType = engine::Type::Binary;
    bool calculated = false;      // values wrapped as kCalcResult says (ACE)
    std::int32_t complexId = 0;   // kColComplex: its row in MSysComplexColumns (ACE)
    // A complex column read through its hidden table; null until the table is
    // opened through Database (a complex column without it reads as raw bytes).
    std::shared_ptr<const ComplexSource> complex;
    std::uint16_t number = 0;     // bit in the null mask
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t size = 0;
    bool fixed = false;
    bool autoNumber = false;
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
};

struct TableDef {
    std::u16string name;
    std::uint32_t tdefPage = 0;
    std::uint16_t varColumnCount = 0;
    std::uint32_t usageMap = 0;        // row pointer (page << 8 | row)
    std::vector<ColumnDef> columns;    // by column number

    bool hasCalculated() const;
    bool hasComplex() const;
};

// Where the values of a complex column live: the hidden table, its column holding
// the key that rows of the main table hold, and the column whose texts are joined
// (a multi-valued field's value, an attachment's file name).
struct ComplexSource {
    TableDef flat;
    std::u16string keyColumn;
    std::u16string valueColumn;
};

// The engine type of a stored column type; unknown kinds read as raw bytes.
engine::Type engineType(std::uint8_t columnType);

// Reads the definition starting at tdefPage. Corrupt: 3343 naming the table.
TableDef readTableDef(const PageFile& file, const TextDecoder& text, std::uint32_t tdefPage,
                      const std::u16string& name);

// Finds row `row` of a page already read into `page`: [start, end) within it.
// Returns the slot's raw flags. Bad slot: 3343.
std::uint16_t findRow(const PageFile& file, std::span<const std::uint8_t> page, unsigned row,
                      unsigned* start, unsigned* end);

// The file a linked table's data lives in: the stored path when it exists, else
// a file of the same name (the stored path may be a Windows one) beside the
// database at databasePath. Neither: error 3024 naming both.
std::string resolveLinkedPath(std::u16string_view stored, const std::string& databasePath,
                              std::u16string_view tableName);

}  // namespace jet
