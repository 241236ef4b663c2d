#pragma once
// Table definitions (TDEF pages) and the reading of a table's rows: the parts of
// the reader below the public Database/Table.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "page_file.h"
#include "text.h"

namespace jet {

struct ColumnDef {
    std::u16string name;
    std::uint8_t type = 0;        // ColumnType
    engine::Type engineType = engine::Type::Binary;
    std::uint16_t number = 0;     // bit in the null mask
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;
    std::uint16_t size = 0;
    bool fixed = false;
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
};

struct TableDef {
    std::u16string name;
    std::uint32_t tdefPage = 0;
    std::uint16_t varColumnCount = 0;
    std::uint32_t usageMap = 0;        // row pointer (page << 8 | row)
    std::vector<ColumnDef> columns;    // by column number
};

// Reads the definition starting at tdefPage. Corrupt: 3343 naming the table.
TableDef readTableDef(const PageFile& file, const TextDecoder& text, std::uint32_t tdefPage,
                      const std::u16string& name);

// Finds row `row` of a page already read into `page`: [start, end) within it.
// Returns the slot's raw flags. Bad slot: 3343.
std::uint16_t findRow(const PageFile& file, std::span<const std::uint8_t> page, unsigned row,
                      unsigned* start, unsigned* end);

// Reads a row's table of variable-length column offsets (the last entry is the
// end of the variable data) from row bytes r[0, len) whose null mask takes the
// last maskSize bytes; *varAreaEnd: where the table itself begins. False when
// the table does not fit in the row.
bool readVarOffsets(const Format& f, const std::uint8_t* r, unsigned len, unsigned maskSize,
                    std::vector<unsigned>& offsets, unsigned* varAreaEnd);

// The file a linked table's data lives in: the stored path when it exists, else
// a file of the same name (the stored path may be a Windows one) beside the
// database at databasePath. Neither: error 3024 naming both.
std::string resolveLinkedPath(std::u16string_view stored, const std::string& databasePath,
                              std::u16string_view tableName);

// A Single as the engine holds it: the double nearest to the float's shortest
// decimal form (0.1f gives 0.1). Infinities and NaN pass unchanged.
double singleAsDouble(float f);

// Iterates a table's rows in storage order, decoding every column.
class RowReader {
public:
    RowReader(std::shared_ptr<const PageFile> file, std::shared_ptr<const TextDecoder> text,
              TableDef def);
    const TableDef& def() const { return def_; }
    // Only the named columns are decoded; the others read as Null. Used for the
    // catalogue, whose long property values are neither needed nor trusted.
    void onlyColumns(const std::vector<std::u16string>& names);
    // Fills row (resized to the column count). False after the last row.
    bool next(engine::Row& row);

private:
    void loadPages();
    bool loadNextPage();
    void decodeRow(const std::uint8_t* r, unsigned len, engine::Row& row);
    void decodeValue(const ColumnDef& col, const std::uint8_t* p, unsigned n, engine::Value& v);
    // Calls take(bytes, size, last) for each piece of the long value whose row
    // part (n bytes) is at p, in order, once they are checked to hold its length
    // (once with size 0 for an empty value). The bytes are valid during the call.
    template <typename Take>
    void forEachPiece(const ColumnDef& col, const std::uint8_t* p, unsigned n, Take take);
    void readLongValue(const ColumnDef& col, const std::uint8_t* p, unsigned n, std::string& out);
    void readMemo(const ColumnDef& col, const std::uint8_t* p, unsigned n, std::u16string& out);
    [[noreturn]] void corrupt(const QString& what) const;

    std::shared_ptr<const PageFile> file_;
    std::shared_ptr<const TextDecoder> text_;
    TableDef def_;
    std::vector<std::uint32_t> pages_;
    std::size_t pageIndex_ = 0;
    bool pagesLoaded_ = false;
    std::span<const std::uint8_t> page_;  // current data page, in dataRun_ or pageAlone_
    std::vector<std::uint8_t> pageAlone_;
    std::vector<std::uint8_t> overflow_;  // page of a moved row
    std::vector<std::uint8_t> lvalAlone_;  // a long value's page read outside lvalRun_
    PageRun dataRun_;
    PageRun lvalRun_;
    unsigned rowCount_ = 0;
    unsigned rowIndex_ = 0;
    std::vector<unsigned> varOffsets_;
    std::vector<bool> skip_;              // per column: not decoded
    std::string longBytes_;               // a memo's pieces before text decoding
    std::uint64_t rowsRead_ = 0;
};

}  // namespace jet
