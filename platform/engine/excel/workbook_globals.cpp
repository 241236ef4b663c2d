#include "workbook_globals.h"

#include "shared_strings.h"
#include "worksheet.h"

namespace excel {
namespace {

struct FormatEntry {
    std::uint16_t index;
    const char16_t* code;
};

// Excel's currency and accounting formats, which the globals carry whether used
// or not, then ours: a currency amount with two decimals, ISO dates (the same
// form that dates a cell cannot show are written in as text) and a time of day.
constexpr FormatEntry kFormats[] = {
    {5, u"\"$\"#,##0;\\-\"$\"#,##0"},
    {6, u"\"$\"#,##0;[Red]\\-\"$\"#,##0"},
    {7, u"\"$\"#,##0.00;\\-\"$\"#,##0.00"},
    {8, u"\"$\"#,##0.00;[Red]\\-\"$\"#,##0.00"},
    {42, u"_-\"$\"* #,##0_-;\\-\"$\"* #,##0_-;_-\"$\"* \"-\"_-;_-@_-"},
    {41, u"_-* #,##0_-;\\-* #,##0_-;_-* \"-\"_-;_-@_-"},
    {44, u"_-\"$\"* #,##0.00_-;\\-\"$\"* #,##0.00_-;_-\"$\"* \"-\"??_-;_-@_-"},
    {43, u"_-* #,##0.00_-;\\-* #,##0.00_-;_-* \"-\"??_-;_-@_-"},
};

// The cell XFs after the default one, in index order from kXfCurrency.
constexpr std::uint16_t kCellXfFormats[] = {biff::kFormatCurrency, biff::kFormatDate,
                                            biff::kFormatDateTime, biff::kFormatTime};
static_assert(biff::kXfTime == biff::kXfCurrency + 3);

void u16Record(RecordWriter& w, std::uint16_t type, std::uint16_t value) {
    w.record(type, Payload().u16(value));
}

Payload xfData(std::uint16_t format, bool style, std::uint8_t usedAttrs) {
    Payload p;
    p.u16(0);  // font 0
    p.u16(format);
    p.u16(style ? biff::kXfStyleFlags : biff::kXfCellFlags);
    p.u8(biff::kXfAlignBottom).u8(0).u8(0);
    p.u8(usedAttrs);
    p.u32(0).u32(0);  // no borders
    p.u16(biff::kXfPatternColors);
    return p;
}

void xf(RecordWriter& w, std::uint16_t format, bool style, std::uint8_t usedAttrs) {
    w.record(biff::kRecordXf, xfData(format, style, usedAttrs));
}

// The globals of a workbook of one sheet, in the order of the globals grammar;
// the records with fixed content say: no protection, no backup, 1900 date
// system, full precision, nothing to refresh.
void writeGlobals(RecordWriter& w, std::u16string_view name, std::uint32_t sheetOffset,
                  const SharedStrings& strings) {
    writeBof(w, biff::kBofWorkbookGlobals);
    u16Record(w, biff::kRecordInterfaceHdr, biff::kCodePageUtf16);
    w.record(biff::kRecordMms, Payload().u8(0).u8(0));
    w.record(biff::kRecordInterfaceEnd, nullptr, 0);
    Payload access;
    access.unicodeString(u"Converti");
    while (access.size() < biff::kWriteAccessSize) access.u8(' ');
    w.record(biff::kRecordWriteAccess, access);
    u16Record(w, biff::kRecordCodePage, biff::kCodePageUtf16);
    u16Record(w, biff::kRecordDsf, 0);
    u16Record(w, biff::kRecordRrTabId, 1);
    for (std::uint16_t type : {biff::kRecordWinProtect, biff::kRecordProtect, biff::kRecordPassword,
                               biff::kRecordProt4Rev, biff::kRecordProt4RevPass}) {
        u16Record(w, type, 0);
    }
    Payload window;
    window.u16(0).u16(0).u16(0x4000).u16(0x2000);                   // position and size, in twips
    window.u16(biff::kWindow1Flags).u16(0).u16(0).u16(1).u16(600);  // tab 0 active, 1 selected
    w.record(biff::kRecordWindow1, window);
    u16Record(w, biff::kRecordBackup, 0);
    u16Record(w, biff::kRecordHideObj, 0);
    u16Record(w, biff::kRecordDate1904, 0);
    u16Record(w, biff::kRecordCalcPrecision, 1);
    u16Record(w, biff::kRecordRefreshAll, 0);
    u16Record(w, biff::kRecordBookBool, 0);

    for (int i = 0; i < biff::kFontRecords; ++i) {
        Payload f;
        f.u16(biff::kFontHeightTwips).u16(0).u16(biff::kColorAutomatic);
        f.u16(biff::kFontWeightNormal).u16(0).u8(0).u8(0).u8(0).u8(0);
        f.unicodeString(u"Arial", true);
        w.record(biff::kRecordFont, f);
    }
    for (const FormatEntry& f : kFormats) {
        w.record(biff::kRecordFormat, Payload().u16(f.index).unicodeString(f.code));
    }
    for (const OwnFormat& f : kOwnFormats) {
        w.record(biff::kRecordFormat, Payload().u16(f.number).unicodeString(f.code));
    }
    // Style XF 0 is the Normal style and defines every attribute; the other style
    // XFs leave theirs to it. Cell XFs flag only what differs from Normal.
    xf(w, biff::kFormatGeneral, true, 0);
    for (int i = 1; i < biff::kStyleXfCount; ++i) {
        xf(w, biff::kFormatGeneral, true, biff::kXfStyleUsedAttrs);
    }
    xf(w, biff::kFormatGeneral, false, 0);  // index 15, the default cell XF
    for (std::uint16_t format : kCellXfFormats) xf(w, format, false, biff::kXfCellNumberAttr);

    Payload normal;
    normal.u16(biff::kStyleBuiltInXf0).u8(biff::kStyleNormal).u8(biff::kStyleLevelNone);
    w.record(biff::kRecordStyle, normal);
    u16Record(w, biff::kRecordUsesElfs, 0);

    writeBoundSheet(w, sheetOffset, name);
    w.record(biff::kRecordCountry, Payload().u16(biff::kCountryDefault).u16(biff::kCountryDefault));
    strings.write(w);
    w.record(biff::kRecordEof, nullptr, 0);
}

}  // namespace

void writeBof(RecordWriter& w, std::uint16_t type) {
    Payload p;
    p.u16(biff::kBofVersionBiff8).u16(type).u16(biff::kBofBuild).u16(biff::kBofYear);
    p.u32(biff::kBofHistoryFlags).u32(biff::kBofLowestVersion);
    w.record(biff::kRecordBof, p);
}

void writeBoundSheet(RecordWriter& w, std::uint32_t offset, std::u16string_view name) {
    Payload b;
    b.u32(offset).u8(0).u8(0);  // visible worksheet
    b.unicodeString(name, true);
    w.record(biff::kRecordBoundSheet, b);
}

void writeNewWorkbook(RecordWriter& w, std::u16string_view name, const SharedStrings& strings,
                      const Worksheet& sheet) {
    CountingSink counter;
    RecordWriter sizing(counter, w.position());
    writeGlobals(sizing, name, 0, strings);
    writeGlobals(w, name, static_cast<std::uint32_t>(sizing.position()), strings);
    sheet.write(w);
}

Payload cellXf(std::uint16_t format) { return xfData(format, false, biff::kXfCellNumberAttr); }

}  // namespace excel
