#include "worksheet.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cell_values.h"
#include "core/error_codes.h"
#include "core/qt_text.h"
#include "workbook_globals.h"

namespace excel {
namespace {

constexpr std::uint16_t kMinWidthChars = 8;
constexpr std::uint16_t kMaxWidthChars = 60;
constexpr std::uint16_t kDefaultColumnWidth = 8;  // DefColWidth, in characters
constexpr std::uint16_t kIcvHeaderDefault = 0x40;
constexpr std::size_t kRowRecordSize = biff::kRecordHeaderSize + 16;

constexpr std::size_t kMaxNumberChars = 12;  // General shows about 11 characters

// Passes records encoded earlier (into the cell buffer) through to the stream.
class FramedSink final : public ByteSink {
public:
    explicit FramedSink(RecordWriter& w) : w_(w) {}
    void write(const std::uint8_t* data, std::size_t size) override { w_.framed(data, size); }

private:
    RecordWriter& w_;
};

}  // namespace

Worksheet::Worksheet(const std::vector<engine::Column>& columns, SharedStrings& strings,
                     CellXfs xfs, bool selected)
    : columns_(columns),
      strings_(strings),
      xfs_(xfs),
      selected_(selected),
      widths_(columns.size(), 0) {
    // Room for a full sheet (1 MB): memory not yet used costs nothing, and the
    // extents are never copied as the sheet grows.
    rows_.reserve(biff::kMaxRows);
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (columns_[c].name.size() > biff::kMaxCellChars) {
            engine::raise(engine::kErrFieldTooLong,
                          QStringLiteral("The name of field %1 is longer than the %2 characters "
                                         "a worksheet cell holds.")
                              .arg(c + 1)
                              .arg(biff::kMaxCellChars));
        }
        text(static_cast<std::uint16_t>(c), columns_[c].name);
    }
    finishRow(0, static_cast<std::uint16_t>(columns_.size()));
}

void Worksheet::check(const engine::Row& row) const {
    const std::uint32_t ordinal = dataRowCount() + 1;
    if (row.size() != columns_.size()) {
        engine::raise(engine::kErrReservedError,
                      QStringLiteral("Row %1 has %2 values for %3 fields.")
                          .arg(ordinal)
                          .arg(row.size())
                          .arg(columns_.size()));
    }
    if (rows_.size() >= biff::kMaxRows) {
        engine::raise(engine::kErrSheetFull,
                      QStringLiteral("The worksheet is full: an Excel 8.0 worksheet holds at most "
                                     "%1 rows, the field names and %2 records, and the table has "
                                     "more records to copy.")
                          .arg(biff::kMaxRows)
                          .arg(biff::kMaxRows - 1));
    }
    for (std::size_t c = 0; c < row.size(); ++c) {
        const engine::Value& v = row[c];
        if (engine::holdsText(v.type) && v.text.size() > biff::kMaxCellChars) {
            engine::raise(engine::kErrFieldTooLong,
                          QStringLiteral("Field '%1' of record %2 holds %3 characters; an Excel "
                                         "8.0 cell holds at most %4.")
                              .arg(engine::toQString(columns_[c].name))
                              .arg(ordinal)
                              .arg(v.text.size())
                              .arg(biff::kMaxCellChars));
        }
    }
}

void Worksheet::addRow(const engine::Row& row) {
    check(row);
    rowNumber_ = static_cast<std::uint16_t>(rows_.size());
    std::uint16_t first = 0;
    std::uint16_t lastPlusOne = 0;
    for (std::size_t c = 0; c < row.size(); ++c) {
        auto column = static_cast<std::uint16_t>(c);
        if (encode(column, row[c])) {
            if (lastPlusOne == 0) first = column;
            lastPlusOne = column + 1;
        }
    }
    finishRow(first, lastPlusOne);
}

void Worksheet::finishRow(std::uint16_t first, std::uint16_t lastPlusOne) {
    rows_.push_back({cells_.size(), first, lastPlusOne});
    rowNumber_ = static_cast<std::uint16_t>(rows_.size());
}

void Worksheet::widen(std::uint16_t column, std::size_t chars) {
    auto w = static_cast<std::uint16_t>(chars < kMaxWidthChars ? chars : kMaxWidthChars);
    if (w > widths_[column]) widths_[column] = w;
}

bool Worksheet::encode(std::uint16_t column, const engine::Value& v) {
    using engine::Type;
    switch (v.type) {
        case Type::Null:
        case Type::Binary:
        case Type::LongBinary:
            return false;  // no cell holds them: the cell stays empty
        case Type::Boolean: {
            const std::uint8_t value[2] = {static_cast<std::uint8_t>(v.boolean ? 1 : 0),
                                           biff::kBesBoolean};
            cell(biff::kRecordBoolErr, column, xfs_.general, value, sizeof value);
            widen(column, 5);
            return true;
        }
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
        case Type::BigInt:  // the nearest double: 15 significant digits show, as with Decimal
            number(column, static_cast<double>(v.integer), xfs_.general);
            return true;
        case Type::DateTimeExtended: {
            // Under the Date/Time rules while whole seconds; a fraction of a second,
            // which no date format here shows, makes the cell a text that keeps it.
            const engine::ExtDateTime ext = engine::splitExtDate(v.integer);
            if (ext.fraction == 0) {
                date(column, ext.when);
            } else {
                text(column, engine::extDateText(ext).view());
            }
            return true;
        }
        case Type::Date:
            if (const auto when = engine::splitDate(v.number)) {
                date(column, *when);
                return true;
            }
            [[fallthrough]];  // no day Jet keeps: the number itself
        case Type::Single:
        case Type::Double:
            if (!std::isfinite(v.number)) {
                text(column, nonFiniteText(v.number));
            } else {
                number(column, v.number, xfs_.general);
            }
            return true;
        case Type::Decimal:
            number(column, engine::decimalToDouble(v.decimal), xfs_.general);
            return true;
        case Type::Currency: {
            double amount = engine::currencyToDouble(v.integer);
            number(column, amount, xfs_.currency);
            // Digits, thousands separators, sign, currency symbol and cents.
            std::size_t digits = decimalDigits(static_cast<std::uint64_t>(std::fabs(amount)));
            widen(column, digits + digits / 3 + 4);
            return true;
        }
        case Type::Text:
        case Type::Memo:
        case Type::Attachment:
        case Type::ComplexByte:
        case Type::ComplexInteger:
        case Type::ComplexLong:
        case Type::ComplexSingle:
        case Type::ComplexDouble:
        case Type::ComplexGuid:
        case Type::ComplexDecimal:
        case Type::ComplexText:
            text(column, v.text);
            return true;
        case Type::Guid:
            text(column, engine::guidText(v.bytes).view());
            return true;
    }
    return false;
}

void Worksheet::date(std::uint16_t column, const engine::DateTime& when) {
    const auto shown = dateCell(when);
    if (!shown) return text(column, engine::dateText(when).view());
    const std::uint16_t xf = shown->format == DateFormat::Time   ? xfs_.time
                             : shown->format == DateFormat::Date ? xfs_.date
                                                                 : xfs_.dateTime;
    number(column, shown->serial, xf);
    widen(column, shown->chars);
}

void Worksheet::cell(std::uint16_t type, std::uint16_t column, std::uint16_t xf,
                     const std::uint8_t* value, std::size_t size) {
    // Cell records are small and of fixed size: framed here, stored in one write.
    std::uint8_t record[biff::kRecordHeaderSize + 6 + 8];
    putLe16(record, type);
    putLe16(record + 2, static_cast<std::uint16_t>(6 + size));
    putLe16(record + 4, rowNumber_);
    putLe16(record + 6, column);
    putLe16(record + 8, xf);
    std::memcpy(record + 10, value, size);
    cells_.write(record, 10 + size);
}

void Worksheet::number(std::uint16_t column, double v, std::uint16_t xf) {
    // Whole numbers that fit 30 bits go as RK, exactly and in fewer bytes.
    if (v >= biff::kRkIntMin && v <= biff::kRkIntMax && v == std::trunc(v) &&
        !(v == 0 && std::signbit(v))) {
        std::uint8_t value[4];
        putLe32(value,
                static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) << 2 | biff::kRkInteger);
        cell(biff::kRecordRk, column, xf, value, sizeof value);
    } else {
        std::uint8_t value[8];
        putLe64(value, std::bit_cast<std::uint64_t>(v));
        cell(biff::kRecordNumber, column, xf, value, sizeof value);
    }
    if (xf == xfs_.general && widths_[column] < kMaxNumberChars) {
        widen(column, std::min(numberChars(v), kMaxNumberChars));
    }
}

void Worksheet::text(std::uint16_t column, std::u16string_view s) {
    std::uint8_t value[4];
    putLe32(value, strings_.add(s));
    cell(biff::kRecordLabelSst, column, xfs_.general, value, sizeof value);
    widen(column, s.size());
}

std::uint64_t Worksheet::estimatedSize() const {
    const std::uint64_t blocks = (rows_.size() + biff::kRowsPerBlock - 1) / biff::kRowsPerBlock;
    return cells_.size() + rows_.size() * (kRowRecordSize + 2) + blocks * 12 +
           columns_.size() * 16 + 256;
}

std::vector<Worksheet::ColumnRun> Worksheet::columnRuns() const {
    std::vector<ColumnRun> runs;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        auto column = static_cast<std::uint16_t>(c);
        int chars = widths_[c] < kMinWidthChars ? kMinWidthChars : widths_[c];
        if (!runs.empty() && runs.back().chars == chars) {
            runs.back().last = column;
        } else {
            runs.push_back({column, column, chars});
        }
    }
    // At most 255 ColInfo records: join the neighbours closest in width, taking
    // the wider, until they fit (only ever needed with 256 columns).
    while (runs.size() > biff::kMaxColInfo) {
        auto gap = [&](std::size_t k) { return std::abs(runs[k].chars - runs[k + 1].chars); };
        std::size_t best = 0;
        for (std::size_t i = 1; i + 1 < runs.size(); ++i) {
            if (gap(i) < gap(best)) best = i;
        }
        runs[best].last = runs[best + 1].last;
        runs[best].chars = std::max(runs[best].chars, runs[best + 1].chars);
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
    return runs;
}

// Sheet settings the worksheet grammar requires, with Excel's defaults: automatic
// calculation, A1 references, no printing of headings or gridlines, default row
// height, a plain worksheet, empty page header and footer, no printer settings.
void Worksheet::writeSettings(RecordWriter& w) {
    auto u16 = [&](std::uint16_t type, std::uint16_t v) { w.record(type, Payload().u16(v)); };
    u16(biff::kRecordCalcMode, 1);
    u16(biff::kRecordCalcCount, 100);
    u16(biff::kRecordCalcRefMode, 1);
    u16(biff::kRecordCalcIter, 0);
    w.record(biff::kRecordCalcDelta, Payload().f64(0.001));
    u16(biff::kRecordCalcSaveRecalc, 1);
    u16(biff::kRecordPrintRowCol, 0);
    u16(biff::kRecordPrintGrid, 0);
    u16(biff::kRecordGridSet, 1);
    w.record(biff::kRecordGuts, Payload().u32(0).u32(0));
    w.record(biff::kRecordDefaultRowHeight, Payload().u16(0).u16(biff::kRowDefaultHeight));
    u16(biff::kRecordWsBool, biff::kWsBoolWorksheet);
    w.record(biff::kRecordHeader, nullptr, 0);
    w.record(biff::kRecordFooter, nullptr, 0);
    u16(biff::kRecordHCenter, 0);
    u16(biff::kRecordVCenter, 0);
    Payload setup;
    setup.u16(0).u16(100).u16(1).u16(1).u16(1).u16(biff::kSetupNoPrinterSettings);
    setup.u16(0).u16(0).f64(0.5).f64(0.5).u16(1);  // header and footer margins, inches
    w.record(biff::kRecordSetup, setup);
}

void Worksheet::write(RecordWriter& w) const {
    // A sizing pass finds where DefColWidth and each DBCell land; the real pass
    // writes those positions into INDEX.
    const std::size_t blocks = (rows_.size() + biff::kRowsPerBlock - 1) / biff::kRowsPerBlock;
    Offsets guess;
    guess.dbCells.assign(blocks, 0);
    Offsets found;
    CountingSink counter;
    RecordWriter sizing(counter, w.position());
    writeWith(sizing, guess, found);
    Offsets check;
    writeWith(w, found, check);
}

void Worksheet::writeWith(RecordWriter& w, const Offsets& known, Offsets& found) const {
    writeBof(w, biff::kBofWorksheet);
    const auto rowCount = static_cast<std::uint32_t>(rows_.size());
    Payload p;
    p.u32(0).u32(0).u32(rowCount).u32(known.defColWidth);
    for (std::uint32_t pos : known.dbCells) p.u32(pos);
    w.record(biff::kRecordIndex, p);

    writeSettings(w);
    found.defColWidth = static_cast<std::uint32_t>(w.position());
    writeColumnWidths(w);
    p.clear();
    p.u32(0).u32(rowCount).u16(0).u16(static_cast<std::uint16_t>(columns_.size())).u16(0);
    w.record(biff::kRecordDimensions, p);

    for (std::uint32_t first = 0; first < rowCount; first += biff::kRowsPerBlock) {
        const std::uint32_t last = std::min(first + biff::kRowsPerBlock, rowCount);
        found.dbCells.push_back(writeRowBlock(w, first, last));
    }

    p.clear();
    p.u16(selected_ ? biff::kWindow2SelectedSheet : biff::kWindow2OtherSheet)
        .u16(0)
        .u16(0)
        .u16(kIcvHeaderDefault)
        .u16(0);
    p.u16(0).u16(0).u32(0);
    w.record(biff::kRecordWindow2, p);
    w.record(biff::kRecordEof, nullptr, 0);
}

void Worksheet::writeColumnWidths(RecordWriter& w) const {
    w.record(biff::kRecordDefColWidth, Payload().u16(kDefaultColumnWidth));
    for (const ColumnRun& run : columnRuns()) {
        Payload p;
        p.u16(run.first).u16(run.last);
        p.u16(static_cast<std::uint16_t>((run.chars + 2) * 256)).u16(xfs_.general);
        p.u16(0).u16(0);
        w.record(biff::kRecordColInfo, p);
    }
}

std::uint32_t Worksheet::writeRowBlock(RecordWriter& w, std::uint32_t first,
                                       std::uint32_t last) const {
    const std::uint64_t blockStart = w.position();
    // Row records are of fixed size: framed here, like the cells, rather than
    // built field by field (65,535 of them, twice).
    for (std::uint32_t r = first; r < last; ++r) {
        std::uint8_t row[kRowRecordSize];
        putLe16(row, biff::kRecordRow);
        putLe16(row + 2, kRowRecordSize - biff::kRecordHeaderSize);
        putLe16(row + 4, static_cast<std::uint16_t>(r));
        putLe16(row + 6, rows_[r].firstColumn);
        putLe16(row + 8, rows_[r].lastColumnPlusOne);
        putLe16(row + 10, biff::kRowDefaultHeight);
        putLe16(row + 12, 0);
        putLe16(row + 14, 0);
        putLe16(row + 16, biff::kRowFlagsReserved);
        putLe16(row + 18, xfs_.general);
        w.framed(row, sizeof row);
    }
    // The block's cells in one copy; each row's start follows from its extent.
    const std::uint64_t cellsBegin = first == 0 ? 0 : rows_[first - 1].end;
    const std::uint64_t cellsAt = w.position();
    FramedSink framed(w);
    cells_.copyTo(framed, cellsBegin, rows_[last - 1].end);
    const std::uint64_t dbCell = w.position();
    // Offsets back to the block's first Row, then from the second Row record to
    // the first row's cells, then from each row's cells to the next's.
    Payload p;
    p.u32(static_cast<std::uint32_t>(dbCell - blockStart));
    std::uint64_t from = blockStart + kRowRecordSize;
    for (std::uint32_t r = first; r < last; ++r) {
        const std::uint64_t start = cellsAt + ((r == 0 ? 0 : rows_[r - 1].end) - cellsBegin);
        p.u16(static_cast<std::uint16_t>(start - from));
        from = start;
    }
    w.record(biff::kRecordDbCell, p);
    return static_cast<std::uint32_t>(dbCell);
}

}  // namespace excel
