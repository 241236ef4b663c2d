#pragma once
// The workbook globals substream: fonts, number formats, XFs, styles, the sheet
// list and the shared strings ([MS-XLS] 2.1.7.20.3 Globals Substream).
//
// Kept apart from the worksheet writer so that sheets can later be listed beside
// those of an existing workbook: the caller gives each sheet's stream offset.

#include <cstdint>
#include <string>
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

// Bytes writeGlobals() writes for these sheets and strings (a sizing pass), so
// the first sheet's offset is known before the globals are written.
std::uint64_t globalsSize(const std::vector<SheetEntry>& sheets, const SharedStrings& strings);

}  // namespace excel
