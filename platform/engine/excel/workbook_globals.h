#pragma once
// The workbook globals substream: fonts, number formats, XFs, styles and the sheet
// list, around the shared strings ([MS-XLS] 2.1.7.20.3 Globals Substream).
//
// Kept apart from the worksheet writer so that sheets can later be listed beside
// those of an existing workbook: the caller gives each sheet's stream offset.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_writer.h"

namespace excel {

struct SheetEntry {
    std::u16string name;
    std::uint32_t offset = 0;  // stream position of the sheet's BOF
};

// The globals come in two parts with the shared string table (SST and ExtSST)
// between them, written by the caller, streamed or at once. writeGlobalsHead()
// returns, per sheet, the stream position of its offset in BoundSheet8, for a
// caller that learns the offsets only later.
std::vector<std::uint64_t> writeGlobalsHead(RecordWriter& w, const std::vector<SheetEntry>& sheets);
void writeGlobalsEnd(RecordWriter& w);

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
