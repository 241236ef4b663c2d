#pragma once
// Constants of the Excel 8.0 (BIFF8) record stream, in one place, from the public
// Excel Binary File Format document [MS-XLS]: each record is defined in the section
// of 2.4 (Records) titled with its name, each structure in 2.5 (Structures).

#include <cstddef>
#include <cstdint>

namespace excel::biff {

// Record framing: a 2-byte type and a 2-byte size, then at most 8224 bytes of data;
// longer data goes on in CONTINUE records ([MS-XLS] 2.1.4 Record).
inline constexpr std::size_t kRecordHeaderSize = 4;
inline constexpr std::size_t kMaxRecordData = 8224;

// Record types ([MS-XLS] 2.3 Record Enumeration).
inline constexpr std::uint16_t kRecordEof = 0x000A;          // EOF
inline constexpr std::uint16_t kRecordBlank = 0x0201;        // Blank
inline constexpr std::uint16_t kRecordBof = 0x0809;          // BOF
inline constexpr std::uint16_t kRecordBoolErr = 0x0205;      // BoolErr
inline constexpr std::uint16_t kRecordBoundSheet = 0x0085;   // BoundSheet8
inline constexpr std::uint16_t kRecordCodePage = 0x0042;     // CodePage
inline constexpr std::uint16_t kRecordColInfo = 0x007D;      // ColInfo
inline constexpr std::uint16_t kRecordContinue = 0x003C;     // Continue
inline constexpr std::uint16_t kRecordCountry = 0x008C;      // Country
inline constexpr std::uint16_t kRecordDate1904 = 0x0022;     // Date1904
inline constexpr std::uint16_t kRecordDbCell = 0x00D7;       // DBCell
inline constexpr std::uint16_t kRecordDefColWidth = 0x0055;  // DefColWidth
inline constexpr std::uint16_t kRecordDimensions = 0x0200;   // Dimensions
inline constexpr std::uint16_t kRecordExtSst = 0x00FF;       // ExtSST
inline constexpr std::uint16_t kRecordFont = 0x0031;         // Font
inline constexpr std::uint16_t kRecordFormat = 0x041E;       // Format
inline constexpr std::uint16_t kRecordIndex = 0x020B;        // Index
inline constexpr std::uint16_t kRecordLabelSst = 0x00FD;     // LabelSst
inline constexpr std::uint16_t kRecordNumber = 0x0203;       // Number
inline constexpr std::uint16_t kRecordRk = 0x027E;           // RK
inline constexpr std::uint16_t kRecordRow = 0x0208;          // Row
inline constexpr std::uint16_t kRecordSst = 0x00FC;          // SST
inline constexpr std::uint16_t kRecordStyle = 0x0293;        // Style
inline constexpr std::uint16_t kRecordWindow1 = 0x003D;      // Window1
inline constexpr std::uint16_t kRecordWindow2 = 0x023E;      // Window2
inline constexpr std::uint16_t kRecordXf = 0x00E0;           // XF

// Records read or patched when a sheet is added to an existing workbook.
inline constexpr std::uint16_t kRecordFilePass = 0x002F;  // FilePass (encryption)
inline constexpr std::uint16_t kRecordSupBook = 0x01AE;   // SupBook
inline constexpr std::uint16_t kRecordXfCrc = 0x087C;     // XFCRC
// Records of the globals that follow SST and ExtSST (2.1.7.20.3): a missing
// string table goes before the first of them.
inline constexpr std::uint16_t kRecordsAfterSst[] = {0x0801 /* WebPub */,
                                                     0x080B /* WOpt */,
                                                     0x0865 /* CrErr */,
                                                     0x0863 /* BookExt */,
                                                     0x0867 /* FeatHdr */,
                                                     0x0876 /* DConn */,
                                                     0x0896 /* Theme */,
                                                     0x089B /* CompressPictures */,
                                                     0x088C /* Compat12 */,
                                                     0x0897 /* GUIDTypeLib */,
                                                     kRecordEof};
// SupBook of the workbook's own sheets: cch field 0x0401 (SupBook). [MS-XLS]
// tells readers to ignore its ctab; Excel writes the workbook's sheet count there
// (OpenOffice.org's Excel notes, SUPBOOK), and so do we when adding a sheet.
inline constexpr std::uint16_t kSupBookSelf = 0x0401;
// XLUnicodeRichExtendedString flags: fExtSt, fRichSt.
inline constexpr std::uint8_t kStringExt = 0x04;
inline constexpr std::uint8_t kStringRich = 0x08;
// XF records a workbook may hold (XFCRC cxfs, 2.1.7.20.3 XFS), and Format
// records (FORMATTING: at most 218).
inline constexpr std::size_t kMaxXfs = 4050;
inline constexpr std::size_t kMaxFormats = 218;
inline constexpr std::uint16_t kFirstCustomFormat = 164;
inline constexpr std::size_t kXfSize = 20;

// Records the substream grammars require, written with constant content
// ([MS-XLS] 2.1.7.20.3 Globals substream, 2.1.7.20.5 Worksheet substream,
// 2.1.7.20.6 Common productions).
inline constexpr std::uint16_t kRecordInterfaceHdr = 0x00E1;      // InterfaceHdr
inline constexpr std::uint16_t kRecordMms = 0x00C1;               // Mms
inline constexpr std::uint16_t kRecordInterfaceEnd = 0x00E2;      // InterfaceEnd
inline constexpr std::uint16_t kRecordWriteAccess = 0x005C;       // WriteAccess
inline constexpr std::uint16_t kRecordDsf = 0x0161;               // DSF
inline constexpr std::uint16_t kRecordRrTabId = 0x013D;           // RRTabId
inline constexpr std::uint16_t kRecordWinProtect = 0x0019;        // WinProtect
inline constexpr std::uint16_t kRecordProtect = 0x0012;           // Protect
inline constexpr std::uint16_t kRecordPassword = 0x0013;          // Password
inline constexpr std::uint16_t kRecordProt4Rev = 0x01AF;          // Prot4Rev
inline constexpr std::uint16_t kRecordProt4RevPass = 0x01BC;      // Prot4RevPass
inline constexpr std::uint16_t kRecordBackup = 0x0040;            // Backup
inline constexpr std::uint16_t kRecordHideObj = 0x008D;           // HideObj
inline constexpr std::uint16_t kRecordCalcPrecision = 0x000E;     // CalcPrecision
inline constexpr std::uint16_t kRecordRefreshAll = 0x01B7;        // RefreshAll
inline constexpr std::uint16_t kRecordBookBool = 0x00DA;          // BookBool
inline constexpr std::uint16_t kRecordUsesElfs = 0x0160;          // UsesELFs
inline constexpr std::uint16_t kRecordCalcMode = 0x000D;          // CalcMode
inline constexpr std::uint16_t kRecordCalcCount = 0x000C;         // CalcCount
inline constexpr std::uint16_t kRecordCalcRefMode = 0x000F;       // CalcRefMode
inline constexpr std::uint16_t kRecordCalcIter = 0x0011;          // CalcIter
inline constexpr std::uint16_t kRecordCalcDelta = 0x0010;         // CalcDelta
inline constexpr std::uint16_t kRecordCalcSaveRecalc = 0x005F;    // CalcSaveRecalc
inline constexpr std::uint16_t kRecordPrintRowCol = 0x002A;       // PrintRowCol
inline constexpr std::uint16_t kRecordPrintGrid = 0x002B;         // PrintGrid
inline constexpr std::uint16_t kRecordGridSet = 0x0082;           // GridSet
inline constexpr std::uint16_t kRecordGuts = 0x0080;              // Guts
inline constexpr std::uint16_t kRecordDefaultRowHeight = 0x0225;  // DefaultRowHeight
inline constexpr std::uint16_t kRecordWsBool = 0x0081;            // WsBool
inline constexpr std::uint16_t kRecordHeader = 0x0014;            // Header
inline constexpr std::uint16_t kRecordFooter = 0x0015;            // Footer
inline constexpr std::uint16_t kRecordHCenter = 0x0083;           // HCenter
inline constexpr std::uint16_t kRecordVCenter = 0x0084;           // VCenter
inline constexpr std::uint16_t kRecordSetup = 0x00A1;             // Setup

// WsBool of a plain worksheet: show automatic page breaks, outline symbols below
// and right, show outline symbols for rows and columns ([MS-XLS] WsBool).
inline constexpr std::uint16_t kWsBoolWorksheet = 0x04C1;
// Setup: printer settings absent (fNoPls) and portrait; the other fields are
// ignored then but hold their usual defaults ([MS-XLS] Setup).
inline constexpr std::uint16_t kSetupNoPrinterSettings = 0x0006;
// WriteAccess: the user name padded with spaces to 112 bytes ([MS-XLS] WriteAccess).
inline constexpr std::size_t kWriteAccessSize = 112;
// A worksheet substream holds at most 255 ColInfo records (2.1.7.20.6 COLUMNS).
inline constexpr std::size_t kMaxColInfo = 255;

// BOF fields ([MS-XLS] BOF): BIFF8 version and substream types.
inline constexpr std::uint16_t kBofVersionBiff8 = 0x0600;
inline constexpr std::uint16_t kBofWorkbookGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofBuild = 0x0DBB;
inline constexpr std::uint16_t kBofYear = 0x07CC;
inline constexpr std::uint32_t kBofHistoryFlags = 0x00000000;
inline constexpr std::uint32_t kBofLowestVersion =
    0x00000006;  // "lowest BIFF version that can read"

// CodePage 1200: strings are UTF-16LE ([MS-XLS] CodePage).
inline constexpr std::uint16_t kCodePageUtf16 = 1200;

// Country: 1 = United States, the default of the format ([MS-XLS] Country).
inline constexpr std::uint16_t kCountryDefault = 1;

// Sheet limits of the format ([MS-XLS] Rw < 65536, Col < 256;
// XLUnicodeRichExtendedString: a cell string holds at most 32767 characters;
// BoundSheet8: a sheet name holds 1 to 31 characters).
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;
inline constexpr std::size_t kMaxCellChars = 32767;
inline constexpr std::size_t kMaxSheetNameChars = 31;

// Rows form blocks of 32, each closed by a DBCell ([MS-XLS] DBCell, 2.1.7.20.6 CELLTABLE).
inline constexpr std::uint32_t kRowsPerBlock = 32;

// XLUnicodeString flags byte: bit 0 set = characters are two bytes each
// ([MS-XLS] XLUnicodeString, XLUnicodeRichExtendedString).
inline constexpr std::uint8_t kStringHighByte = 0x01;

// ExtSST: at most 128 buckets of at least 8 strings each ([MS-XLS] ExtSST).
inline constexpr std::uint32_t kExtSstMinBucket = 8;
inline constexpr std::uint32_t kExtSstMaxBuckets = 128;

// BoolErr payload: fError = 0 holds a boolean ([MS-XLS] Bes).
inline constexpr std::uint8_t kBesBoolean = 0;

// RK number: bit 0 = value was multiplied by 100, bit 1 = 30-bit signed integer
// in bits 2..31 ([MS-XLS] RkNumber).
inline constexpr std::uint32_t kRkInteger = 0x02;
inline constexpr std::int32_t kRkIntMin = -(1 << 29);
inline constexpr std::int32_t kRkIntMax = (1 << 29) - 1;

// Row record: reserved bit that Excel sets, default height 255 twips, and the
// fGhostDirty bit that says ixfe holds the row's format ([MS-XLS] Row).
inline constexpr std::uint16_t kRowDefaultHeight = 0x00FF;
inline constexpr std::uint16_t kRowFlagsReserved = 0x0100;

// Window2 flags: gridlines, headers, zeros, default header colour, outline
// symbols, selected, shown in the window ([MS-XLS] Window2).
inline constexpr std::uint16_t kWindow2SelectedSheet = 0x06B6;
// The same for a sheet added beside the active one: neither selected nor shown.
inline constexpr std::uint16_t kWindow2OtherSheet = 0x00B6;

// Window1 flags: horizontal and vertical scroll bars, sheet tabs ([MS-XLS] Window1).
inline constexpr std::uint16_t kWindow1Flags = 0x0038;

// Font: 10 pt Arial, normal weight, automatic colour ([MS-XLS] Font).
inline constexpr std::uint16_t kFontHeightTwips = 200;
inline constexpr std::uint16_t kFontWeightNormal = 400;
inline constexpr std::uint16_t kColorAutomatic = 0x7FFF;
// Font index 4 is never stored: five FONT records give indexes 0, 1, 2, 3 and 5
// ([MS-XLS] FontIndex).
inline constexpr int kFontRecords = 5;

// XF: 15 style XFs, then the default cell XF at index 15 ([MS-XLS] 2.5.282
// XFIndex: these 16 built-in XF records must exist, in this order).
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
inline constexpr std::uint16_t kXfTime = 19;

// Number formats: index 0 is General (built in); custom formats start at 164
// ([MS-XLS] Format, IFmt). The globals hold at least eight
// Format records (2.1.7.20.3 FORMATTING): Excel writes its currency and
// accounting formats 5-8 and 41-44, and so do we.
inline constexpr std::uint16_t kFormatGeneral = 0;
inline constexpr std::uint16_t kFormatCurrency = 164;
inline constexpr std::uint16_t kFormatDate = 165;
inline constexpr std::uint16_t kFormatDateTime = 166;
inline constexpr std::uint16_t kFormatTime = 167;

// Style: the built-in Normal style on XF 0 ([MS-XLS] Style, BuiltInStyle).
inline constexpr std::uint16_t kStyleBuiltInXf0 = 0x8000;
inline constexpr std::uint8_t kStyleNormal = 0x00;
inline constexpr std::uint8_t kStyleLevelNone = 0xFF;

}  // namespace excel::biff
