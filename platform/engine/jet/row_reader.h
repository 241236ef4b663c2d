#pragma once
// Reading a table's rows: pages in storage order, rows in slot order, each column
// decoded into an engine value.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/value.h"
#include "table_def.h"

namespace jet {

// Reads a row's table of variable-length column offsets (the last entry is the
// end of the variable data) from row bytes r[0, len) whose null mask takes the
// last maskSize bytes; *varAreaEnd: where the table itself begins. False when
// the table does not fit in the row.
bool readVarOffsets(const Format& f, const std::uint8_t* r, unsigned len, unsigned maskSize,
                    std::vector<unsigned>& offsets, unsigned* varAreaEnd);

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
