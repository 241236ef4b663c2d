#pragma once
// Constants of the Excel 8.0 (BIFF8) record stream, in one place. Section numbers
// name the public Excel Binary File Format document ([MS-XLS]) where each is defined.

#include <cstddef>
#include <cstdint>

namespace excel::biff {

// Record framing: a 2-byte type and a 2-byte size, then at most 8224 bytes of data;
// longer data goes on in CONTINUE records ([MS-XLS] 2.1.4 Record).
inline constexpr std::size_t kRecordHeaderSize = 4;
inline constexpr std::size_t kMaxRecordData = 8224;

// Record types ([MS-XLS] 2.3 Record Enumeration; each record in 2.4.x as noted).
inline constexpr std::uint16_t kRecordBlank = 0x0201;        // 2.4.20 Blank
inline constexpr std::uint16_t kRecordBof = 0x0809;          // 2.4.21 BOF
inline constexpr std::uint16_t kRecordBoolErr = 0x0205;      // 2.4.24 BoolErr
inline constexpr std::uint16_t kRecordBoundSheet = 0x0085;   // 2.4.28 BoundSheet8
inline constexpr std::uint16_t kRecordCodePage = 0x0042;     // 2.4.52 CodePage
inline constexpr std::uint16_t kRecordColInfo = 0x007D;      // 2.4.53 ColInfo
inline constexpr std::uint16_t kRecordContinue = 0x003C;     // 2.4.58 Continue
inline constexpr std::uint16_t kRecordCountry = 0x008C;      // 2.4.63 Country
inline constexpr std::uint16_t kRecordDate1904 = 0x0022;     // 2.4.77 Date1904
inline constexpr std::uint16_t kRecordDbCell = 0x00D7;       // 2.4.78 DBCell
inline constexpr std::uint16_t kRecordDefColWidth = 0x0055;  // 2.4.89 DefColWidth
inline constexpr std::uint16_t kRecordDimensions = 0x0200;   // 2.4.90 Dimensions
inline constexpr std::uint16_t kRecordEof = 0x000A;          // 2.4.103 EOF
inline constexpr std::uint16_t kRecordExtSst = 0x00FF;       // 2.4.107 ExtSST
inline constexpr std::uint16_t kRecordFont = 0x0031;         // 2.4.122 Font
inline constexpr std::uint16_t kRecordFormat = 0x041E;       // 2.4.126 Format
inline constexpr std::uint16_t kRecordIndex = 0x020B;        // 2.4.144 Index
inline constexpr std::uint16_t kRecordLabelSst = 0x00FD;     // 2.4.149 LabelSst
inline constexpr std::uint16_t kRecordNumber = 0x0203;       // 2.4.180 Number
inline constexpr std::uint16_t kRecordRk = 0x027E;           // 2.4.220 RK
inline constexpr std::uint16_t kRecordRow = 0x0208;          // 2.4.221 Row
inline constexpr std::uint16_t kRecordSst = 0x00FC;          // 2.4.265 SST
inline constexpr std::uint16_t kRecordStyle = 0x0293;        // 2.4.269 Style
inline constexpr std::uint16_t kRecordWindow1 = 0x003D;      // 2.4.345 Window1
inline constexpr std::uint16_t kRecordWindow2 = 0x023E;      // 2.4.346 Window2
inline constexpr std::uint16_t kRecordXf = 0x00E0;           // 2.4.353 XF

// BOF fields ([MS-XLS] 2.4.21): BIFF8 version and substream types.
inline constexpr std::uint16_t kBofVersionBiff8 = 0x0600;
inline constexpr std::uint16_t kBofWorkbookGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofBuild = 0x0DBB;
inline constexpr std::uint16_t kBofYear = 0x07CC;
inline constexpr std::uint32_t kBofHistoryFlags = 0x00000000;
inline constexpr std::uint32_t kBofLowestVersion =
    0x00000006;  // "lowest BIFF version that can read"

// CodePage 1200: strings are UTF-16LE ([MS-XLS] 2.4.52).
inline constexpr std::uint16_t kCodePageUtf16 = 1200;

// Country: 1 = United States, the default of the format ([MS-XLS] 2.4.63).
inline constexpr std::uint16_t kCountryDefault = 1;

// Sheet limits of the format ([MS-XLS] 2.2.2 Cell table: Rw < 65536, Col < 256;
// 2.5.293 XLUnicodeRichExtendedString: a cell string holds at most 32767 characters;
// 2.4.28 BoundSheet8: a sheet name holds 1 to 31 characters).
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;
inline constexpr std::size_t kMaxCellChars = 32767;
inline constexpr std::size_t kMaxSheetNameChars = 31;

// Rows form blocks of 32, each closed by a DBCell ([MS-XLS] 2.4.78, 2.2.2 Cell table).
inline constexpr std::uint32_t kRowsPerBlock = 32;

// XLUnicodeString flags byte: bit 0 set = characters are two bytes each
// ([MS-XLS] 2.5.294 XLUnicodeString, 2.5.293 XLUnicodeRichExtendedString).
inline constexpr std::uint8_t kStringHighByte = 0x01;

// ExtSST: at most 128 buckets of at least 8 strings each ([MS-XLS] 2.4.107).
inline constexpr std::uint32_t kExtSstMinBucket = 8;
inline constexpr std::uint32_t kExtSstMaxBuckets = 128;

// BoolErr payload: fError = 0 holds a boolean ([MS-XLS] 2.5.10 Bes).
inline constexpr std::uint8_t kBesBoolean = 0;

// RK number: bit 0 = value was multiplied by 100, bit 1 = 30-bit signed integer
// in bits 2..31 ([MS-XLS] 2.5.217 RkNumber).
inline constexpr std::uint32_t kRkInteger = 0x02;
inline constexpr std::int32_t kRkIntMin = -(1 << 29);
inline constexpr std::int32_t kRkIntMax = (1 << 29) - 1;

// Row record: reserved bit that Excel sets, default height 255 twips, and the
// fGhostDirty bit that says ixfe holds the row's format ([MS-XLS] 2.4.221).
inline constexpr std::uint16_t kRowDefaultHeight = 0x00FF;
inline constexpr std::uint16_t kRowFlagsReserved = 0x0100;

// Window2 flags: gridlines, headers, zeros, default header colour, outline
// symbols, selected, shown in the window ([MS-XLS] 2.4.346).
inline constexpr std::uint16_t kWindow2SelectedSheet = 0x06B6;

// Window1 flags: horizontal and vertical scroll bars, sheet tabs ([MS-XLS] 2.4.345).
inline constexpr std::uint16_t kWindow1Flags = 0x0038;

// Font: 10 pt Arial, normal weight, automatic colour ([MS-XLS] 2.4.122).
inline constexpr std::uint16_t kFontHeightTwips = 200;
inline constexpr std::uint16_t kFontWeightNormal = 400;
inline constexpr std::uint16_t kColorAutomatic = 0x7FFF;
// Font index 4 is never stored: five FONT records give indexes 0, 1, 2, 3 and 5
// ([MS-XLS] 2.5.129 FontIndex).
inline constexpr int kFontRecords = 5;

// XF ([MS-XLS] 2.4.353): 15 style XFs, then the default cell XF at index 15
// ([MS-XLS] 2.4.353 remarks: at least 16 XF records, the first 15 style XFs).
inline constexpr int kStyleXfCount = 15;
inline constexpr std::uint16_t kXfStyleFlags = 0xFFF5;     // locked, fStyle, parent 0xFFF
inline constexpr std::uint16_t kXfCellFlags = 0x0001;      // locked, parent style XF 0
inline constexpr std::uint8_t kXfAlignBottom = 0x20;       // alcV = bottom
inline constexpr std::uint8_t kXfStyleUsedAttrs = 0xF4;    // style XFs: attributes not used
inline constexpr std::uint8_t kXfCellNumberAttr = 0x04;    // cell XF: own number format (fAtrNum)
inline constexpr std::uint16_t kXfPatternColors = 0x20C0;  // icvFore 64, icvBack 65

// Cell XF indexes this writer uses.
inline constexpr std::uint16_t kXfGeneral = 15;
inline constexpr std::uint16_t kXfCurrency = 16;
inline constexpr std::uint16_t kXfDate = 17;
inline constexpr std::uint16_t kXfDateTime = 18;

// Number formats: index 0 is General (built in); custom formats start at 164
// ([MS-XLS] 2.4.126 Format, 2.5.165 IFmt).
inline constexpr std::uint16_t kFormatGeneral = 0;
inline constexpr std::uint16_t kFormatCurrency = 164;
inline constexpr std::uint16_t kFormatDate = 165;
inline constexpr std::uint16_t kFormatDateTime = 166;

// Style: the built-in Normal style on XF 0 ([MS-XLS] 2.4.269, 2.5.40 BuiltInStyle).
inline constexpr std::uint16_t kStyleBuiltInXf0 = 0x8000;
inline constexpr std::uint8_t kStyleNormal = 0x00;
inline constexpr std::uint8_t kStyleLevelNone = 0xFF;

}  // namespace excel::biff
