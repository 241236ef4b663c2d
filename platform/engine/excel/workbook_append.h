#pragma once
// A new worksheet added to an existing BIFF8 workbook stream, after its sheets.
//
// The existing records are copied as they are, except for the fields that must
// follow the change: each BoundSheet8's offset and every Index's offsets (shifted
// by the bytes the globals grew), SST's counts (the new sheet's strings are
// appended in CONTINUE records), ExtSST (rebuilt), the self-referencing SupBook's
// sheet count, RRTabId, and XFCRC's count and checksum. Number formats and cell
// XFs the sheet needs are reused when the workbook has identical ones, else
// appended after the existing ones, so no existing index changes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record_writer.h"
#include "shared_strings.h"
#include "workbook_reader.h"
#include "worksheet.h"

namespace excel {

struct AppendPlan {
    struct Format {
        std::uint16_t number;
        std::u16string code;
    };
    std::vector<Format> newFormats;
    std::vector<std::vector<std::uint8_t>> newXfs;
    CellXfs xfs;
};

// Throws 3437 when the workbook has no room for the formats the sheet needs.
AppendPlan planAppend(const WorkbookLayout& layout);

// Writes the whole new stream: the existing one with `sheet` (built with
// `strings` and plan.xfs) added as the last sheet, named `name`. The caller has
// checked the size (SheetExport::checkSize).
void writeWithSheet(RecordWriter& w, const std::uint8_t* data, std::size_t size,
                    const WorkbookLayout& layout, const AppendPlan& plan, std::u16string_view name,
                    const SharedStrings& strings, const Worksheet& sheet);

// The checksum XFCRC holds over XF data ([MS-OSHARED] 2.4.3.2 CRC computation).
std::uint32_t officeCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace excel
