#pragma once
// One worksheet: rows are validated and encoded into compact cell records as they
// arrive, then written as a worksheet substream with INDEX, ROW blocks and DBCELL
// ([MS-XLS] 2.1.7.20.5 Worksheet substream, 2.1.7.20.6 CELLTABLE).

#include <cstdint>
#include <string>
#include <vector>

#include "byte_sink.h"
#include "core/conversions.h"
#include "core/value.h"
#include "record_writer.h"
#include "shared_strings.h"

namespace excel {

// The cell XF indexes the sheet's cells use: those of a new workbook, or those
// found or added in an existing one.
struct CellXfs {
    std::uint16_t general = biff::kXfGeneral;
    std::uint16_t currency = biff::kXfCurrency;
    std::uint16_t date = biff::kXfDate;
    std::uint16_t dateTime = biff::kXfDateTime;
    std::uint16_t time = biff::kXfTime;
};

class Worksheet {
public:
    // Row 1 holds the column names. `strings` must outlive the worksheet. A sheet
    // not `selected` is added beside the workbook's active sheet.
    Worksheet(const std::vector<engine::Column>& columns, SharedStrings& strings, CellXfs xfs = {},
              bool selected = true);
    Worksheet(const Worksheet&) = delete;
    Worksheet& operator=(const Worksheet&) = delete;

    // Checks the whole row against the format's limits first (converti::Error
    // naming the row and field; nothing of the row is kept then), then encodes it.
    void addRow(const engine::Row& row);

    std::uint32_t dataRowCount() const { return static_cast<std::uint32_t>(rows_.size()) - 1; }
    // Bytes the substream will take, leaving aside the shared strings.
    std::uint64_t estimatedSize() const;

    // The substream from BOF to EOF, starting at w.position().
    void write(RecordWriter& w) const;

private:
    struct RowExtent {
        std::uint64_t end;  // end of the row's cell records in cells_
        std::uint16_t firstColumn;
        std::uint16_t lastColumnPlusOne;
    };
    struct ColumnRun {
        std::uint16_t first;
        std::uint16_t last;
        int chars;
    };
    struct Offsets {
        std::uint32_t defColWidth = 0;
        std::vector<std::uint32_t> dbCells;
    };

    void check(const engine::Row& row) const;
    bool encode(std::uint16_t column, const engine::Value& v);
    void cell(std::uint16_t type, std::uint16_t column, std::uint16_t xf,
              const std::uint8_t* value, std::size_t size);
    void number(std::uint16_t column, double v, std::uint16_t xf);
    void date(std::uint16_t column, const engine::DateTime& when);
    void text(std::uint16_t column, std::u16string_view s);
    void widen(std::uint16_t column, std::size_t chars);
    void finishRow(std::uint16_t first, std::uint16_t lastPlusOne);
    std::vector<ColumnRun> columnRuns() const;
    static void writeSettings(RecordWriter& w);
    void writeWith(RecordWriter& w, const Offsets& known, Offsets& found) const;
    void writeColumnWidths(RecordWriter& w) const;
    // Rows [first, last): their Row records, their cells, and the DBCell that
    // points back at them; returns the DBCell's stream position.
    std::uint32_t writeRowBlock(RecordWriter& w, std::uint32_t first, std::uint32_t last) const;

    std::vector<engine::Column> columns_;
    SharedStrings& strings_;
    CellXfs xfs_;
    bool selected_;
    ChunkedBuffer cells_;
    std::vector<RowExtent> rows_;
    std::vector<std::uint16_t> widths_;  // characters, capped
    std::uint16_t rowNumber_ = 0;        // the row being encoded
};

}  // namespace excel
