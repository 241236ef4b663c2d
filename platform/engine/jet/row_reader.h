#pragma once
// Reading a table's rows: pages in storage order, rows in slot order, each column
// decoded into an engine value.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
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

// A Date/Time Extended value as stored (kExtDateSize bytes at p): its tick count
// (core/conversions.h). False when the bytes are not such a value: a non-digit,
// a missing separator, a day past 9999-12-31 or a second past 23:59:59.
bool parseExtDate(const std::uint8_t* p, std::int64_t* ticks);

// The result inside a calculated column's value of n bytes at p: *result and
// *size. False when the value is too short for its wrapping or its result.
bool unwrapCalculated(const std::uint8_t* p, std::size_t n, const std::uint8_t** result,
                      std::size_t* size);

// A calculated Decimal's result (size bytes at p, kCalcDecimal* layout). False
// when it is too short.
bool parseCalculatedDecimal(const std::uint8_t* p, std::size_t size, engine::Decimal* d);

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
    // Column `column` of the row: its n bytes at p into v.
    void decodeValue(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v);
    // A value as stored by a column of col.type, n bytes at p.
    void decodeStored(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v);
    // Calls take(bytes, size, last) for each piece of the long value whose row
    // part (n bytes) is at p, in order, once they are checked to hold its length
    // (once with size 0 for an empty value). The bytes are valid during the call.
    template <typename Take>
    void forEachPiece(const ColumnDef& col, const std::uint8_t* p, unsigned n, Take take);
    void readLongValue(const ColumnDef& col, const std::uint8_t* p, unsigned n, std::string& out);
    void readMemo(const ColumnDef& col, const std::uint8_t* p, unsigned n, std::u16string& out);
    void decodeCalculated(std::size_t column, const std::uint8_t* p, unsigned n, engine::Value& v);
    void decodeComplex(std::size_t column, const std::uint8_t* p, engine::Value& v);
    // Reads every complex column's hidden table once: its values by key, joined.
    void loadComplexValues();
    [[noreturn]] void badValue(const ColumnDef& col, const char* what) const;
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
    // Per column: a complex column's joined values by the key its rows hold.
    std::vector<std::unordered_map<std::int32_t, std::u16string>> complexValues_;
    std::uint64_t rowsRead_ = 0;
};

}  // namespace jet
