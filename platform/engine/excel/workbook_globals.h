#pragma once
// The workbook globals substream: fonts, number formats, XFs, styles and the sheet
// list, around the shared strings ([MS-XLS] 2.1.7.20.3 Globals Substream).
//

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_writer.h"

namespace excel {

class SharedStrings;
class Worksheet;

// A whole new workbook stream: the globals with `strings` as the shared string
// table, then `sheet`, named `name`. A sizing pass over the globals finds where
// the sheet begins, which BoundSheet8 holds.
void writeNewWorkbook(RecordWriter& w, std::u16string_view name, const SharedStrings& strings,
                      const Worksheet& sheet);

// The records that more than one part writes: BOF opening a substream of `type`
// (kBofWorkbookGlobals, kBofWorksheet), and BoundSheet8 listing a visible
// worksheet named `name` whose BOF is at stream position `offset`.
void writeBof(RecordWriter& w, std::uint16_t type);
void writeBoundSheet(RecordWriter& w, std::uint32_t offset, std::u16string_view name);

// The number formats this writer adds to the built-in ones, and the cell XF
// (data of the XF record) that shows a number in one of them.
struct OwnFormat {
    std::uint16_t number;
    std::u16string_view code;
};
inline constexpr OwnFormat kOwnFormats[] = {{biff::kFormatCurrency, u"#,##0.00"},
                                            {biff::kFormatDate, u"yyyy-mm-dd"},
                                            {biff::kFormatDateTime, u"yyyy-mm-dd hh:mm:ss"},
                                            {biff::kFormatTime, u"hh:mm:ss"}};
Payload cellXf(std::uint16_t format);

}  // namespace excel
