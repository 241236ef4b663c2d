#pragma once
// Writing Excel 8.0 (BIFF8, Excel 97-2003) workbooks.
//
//   excel::SheetExport out(path, u"Clienti", columns);  // checks first
//   while (source.next(row)) out.addRow(row);
//   out.commit();                                      // the file appears, whole
//
// Every failure throws converti::Error (number and description naming the file,
// sheet, record or field). The rows are kept in memory, encoded; commit() writes
// the workbook to a hidden temporary file in the same folder and renames it into
// place, so the workbook appears whole or not at all. A failure removes the
// temporary file at once; a SheetExport destroyed without a successful commit()
// leaves no file behind.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace excel {

// Throws 3125 unless `sheet` is a valid worksheet name: 1 to 31 characters, none of
// : \ / ? * [ ] or a control character, not starting or ending with an apostrophe.
void checkSheetName(std::u16string_view sheet);

// A worksheet named `sheet`: row 1 holds the column names, then one row per
// addRow() in the order given. Without a file at the path, a new workbook holds
// it; an existing Excel 97-2003 workbook gets it as its last sheet, everything
// else in the file kept as it was, and is replaced whole by commit().
class SheetExport {
public:
    // Checks, in this order: `path` not empty (3044); the sheet name (3125); at
    // most 256 columns (3437); the folder exists (3044) and is writable (3051).
    // A file at `path` must be a readable and writable (3051) Excel 97-2003
    // workbook, not encrypted nor damaged (3274), without a sheet of that name,
    // compared regardless of case (3010), with room for the cell formats (3437).
    // The file is not touched by any of these refusals, and nothing is created.
    SheetExport(const std::string& path, std::u16string_view sheet,
                std::vector<engine::Column> columns);
    ~SheetExport();
    SheetExport(const SheetExport&) = delete;
    SheetExport& operator=(const SheetExport&) = delete;
    // A moved-from SheetExport may only be destroyed or assigned to.
    SheetExport(SheetExport&&) noexcept;
    SheetExport& operator=(SheetExport&&) noexcept;

    // One value per column, in column order. Throws on the format's limits: a
    // 65,536th record or a workbook past 2 GB (3437), a text over 32,767
    // characters (3163). After any throw the export is spoiled: commit() throws
    // the same error again, so rows are never silently dropped.
    void addRow(const engine::Row& row);

    // Writes the workbook. Throws 3026 when the disk is full, 3051 without write
    // permission, 3436 if a file appeared at `path` meanwhile (or an existing
    // workbook changed meanwhile) or writing failed; the temporary file is removed
    // on every failure, and an existing workbook stays byte for byte as it was.
    // A failed commit() is final: another call throws the same error.
    void commit();

private:
    template <typename Step>
    void guarded(Step step);
    void openExisting();
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace excel
