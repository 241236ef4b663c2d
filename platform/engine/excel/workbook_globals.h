#pragma once
// The workbook globals substream: fonts, number formats, XFs, styles, the sheet
// list and the shared strings ([MS-XLS] 2.1.7.20.3 Globals Substream).
//
// Kept apart from the worksheet writer so that sheets can later be listed beside
// those of an existing workbook: the caller gives each sheet's stream offset.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_writer.h"
#include "shared_strings.h"

namespace excel {

struct SheetEntry {
    std::u16string name;
    std::uint32_t offset = 0;  // stream position of the sheet's BOF
};

void writeGlobals(RecordWriter& w, const std::vector<SheetEntry>& sheets,
                  const SharedStrings& strings);

// The number formats this writer adds to the built-in ones, and the cell XF
// (data of the XF record) that shows a number in one of them.
struct OwnFormat {
    std::uint16_t number;
    std::u16string_view code;
};
inline constexpr OwnFormat kOwnFormats[] = {{biff::kFormatCurrency, u"#,##0.00"},
                                            {biff::kFormatDate, u"yyyy-mm-dd"},
                                            {biff::kFormatDateTime, u"yyyy-mm-dd hh:mm:ss"}};
Payload cellXf(std::uint16_t format);

// Bytes writeGlobals() writes for these sheets and strings (a sizing pass), so
// the first sheet's offset is known before the globals are written.
std::uint64_t globalsSize(const std::vector<SheetEntry>& sheets, const SharedStrings& strings);

}  // namespace excel
