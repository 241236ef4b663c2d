#pragma once
// The page layouts of Jet 3, Jet 4 and ACE (Access 2007-2019) that this reader
// relies on, one table per layout, so the parsers read named fields instead of
// branching on the version.
// Sources: the mdbtools format notes (HACKING.md: "Database Definition Page",
// "Data Pages", "TDEF (Table Definition) Pages", "Page Usage Maps", "LVAL Pages");
// for what Access 2007-2019 added, Jackcess (JetFormat, ColumnImpl,
// CalculatedColumnUtil, ComplexColumnSupport, PropertyMaps) and mdb-reader
// (JetFormat, codec-handler/handlers/office), checked against hex dumps of files
// made by Access.

#include <cstdint>
#include <cstring>

#include "core/little_endian.h"

namespace jet {

struct Format {
    std::uint32_t pageSize;
    bool codePageText;      // text in the header's code page (Jet 3), else UTF-16LE

    // Database definition page (page 0); bytes from 0x18 are RC4-masked.
    int headerMaskedSize;   // bytes masked from kHeaderMaskStart
    int passwordSize;       // bytes at kHeaderPassword
    int creationDateOffset; // Jet 4 masks the password with this date; -1: none
    // A nonzero database key (kHeaderDbKey) means: false, pages RC4-masked with
    // it (Jet), which is read; true, the file is encrypted with a password (Office
    // encryption, ACE), which is refused.
    bool keyMeansEncrypted;

    // Data and LVAL pages.
    int dataRowCountOffset;  // u16 row count; the slot table follows it
    int rowColumnCountSize;  // bytes of a row's column count (and var count)

    // Table definition, offsets into the concatenated definition pages.
    int tdefRowCount;
    int tdefVarColumnCount;
    int tdefColumnCount;
    int tdefRealIndexCount;
    int tdefUsageMap;        // row pointer to the table's page usage map
    int tdefRealIndexStart;
    int tdefRealIndexEntrySize;

    // One column entry of a table definition.
    int colEntrySize;
    int colType;
    int colNumber;           // u16, counts deleted columns too
    int colVarIndex;         // u16, slot in the row's variable-offset table
    int colPrecision;
    int colScale;
    int colFlags;
    int colExtFlags;         // calculated columns (ACE); -1: none
    int colComplexId;        // i32 ComplexID of a complex column (ACE); -1: none
    int colFixedOffset;      // u16, offset within the fixed-length area
    int colSize;             // u16
    int colNameLengthSize;   // 1 (Jet 3, code page bytes) or 2 (Jet 4, UTF-16LE bytes)
};

inline constexpr Format kJet3{
    .pageSize = 2048, .codePageText = true,
    .headerMaskedSize = 126, .passwordSize = 20, .creationDateOffset = -1, .keyMeansEncrypted = false,
    .dataRowCountOffset = 8, .rowColumnCountSize = 1,
    .tdefRowCount = 12, .tdefVarColumnCount = 23, .tdefColumnCount = 25, .tdefRealIndexCount = 31,
    .tdefUsageMap = 35, .tdefRealIndexStart = 43, .tdefRealIndexEntrySize = 8,
    .colEntrySize = 18, .colType = 0, .colNumber = 1, .colVarIndex = 3, .colPrecision = 9, .colScale = 10,
    .colFlags = 13, .colExtFlags = -1, .colComplexId = -1, .colFixedOffset = 14, .colSize = 16,
    .colNameLengthSize = 1,
};

inline constexpr Format kJet4{
    .pageSize = 4096, .codePageText = false,
    .headerMaskedSize = 128, .passwordSize = 40, .creationDateOffset = 0x72, .keyMeansEncrypted = false,
    .dataRowCountOffset = 12, .rowColumnCountSize = 2,
    .tdefRowCount = 16, .tdefVarColumnCount = 43, .tdefColumnCount = 45, .tdefRealIndexCount = 51,
    .tdefUsageMap = 55, .tdefRealIndexStart = 63, .tdefRealIndexEntrySize = 12,
    .colEntrySize = 25, .colType = 0, .colNumber = 5, .colVarIndex = 7, .colPrecision = 11, .colScale = 12,
    .colFlags = 15, .colExtFlags = -1, .colComplexId = -1, .colFixedOffset = 21, .colSize = 23,
    .colNameLengthSize = 2,
};

// ACE (Access 2007, 2010, 2016, 2019): Jet 4's pages, rows and definitions, with
// two more fields in a column entry and Office encryption in place of page masking
// (Jackcess JetFormat: Jet12Format and later; mdb-reader: codecType OFFICE).
inline constexpr Format kAce{
    .pageSize = 4096, .codePageText = false,
    .headerMaskedSize = 128, .passwordSize = 40, .creationDateOffset = 0x72, .keyMeansEncrypted = true,
    .dataRowCountOffset = 12, .rowColumnCountSize = 2,
    .tdefRowCount = 16, .tdefVarColumnCount = 43, .tdefColumnCount = 45, .tdefRealIndexCount = 51,
    .tdefUsageMap = 55, .tdefRealIndexStart = 63, .tdefRealIndexEntrySize = 12,
    .colEntrySize = 25, .colType = 0, .colNumber = 5, .colVarIndex = 7, .colPrecision = 11, .colScale = 12,
    .colFlags = 15, .colExtFlags = 16, .colComplexId = 11, .colFixedOffset = 21, .colSize = 23,
    .colNameLengthSize = 2,
};

// The version byte at kHeaderVersion, with the text the header must begin with
// and the layout it selects. Any other byte is a format this reader does not know.
struct FileVersion {
    std::uint8_t code;
    const char* magic;    // 16 bytes at kHeaderMagic, NUL included
    const Format* format;
    int engine;           // 3, 4; 12, 14, 16, 17 (ACE)
};
inline constexpr FileVersion kFileVersions[] = {
    {0, "Standard Jet DB", &kJet3, 3},   // Access 97
    {1, "Standard Jet DB", &kJet4, 4},   // Access 2000-2003
    {2, "Standard ACE DB", &kAce, 12},   // Access 2007
    {3, "Standard ACE DB", &kAce, 14},   // Access 2010
    {5, "Standard ACE DB", &kAce, 16},   // Access 2016
    {6, "Standard ACE DB", &kAce, 17},   // Access 2019
};
inline constexpr std::size_t kMagicSize = 16;

// Database definition page, every version.
inline constexpr int kHeaderVersion = 0x14;
inline constexpr int kHeaderMagic = 0x04;
inline constexpr int kHeaderMaskStart = 0x18;
inline constexpr int kHeaderCodePage = 0x3c;       // u16, Jet 3 text code page
inline constexpr int kHeaderDbKey = 0x3e;          // u32, nonzero: pages RC4-masked
inline constexpr int kHeaderPassword = 0x42;
inline constexpr std::uint8_t kHeaderMaskKey[4] = {0xc7, 0xda, 0x39, 0x6b};

// Office encryption of an ACE file (mdb-reader codec-handler/handlers/office;
// [MS-OFFCRYPTO] 2.3.4 "EncryptionInfo"): u16 size at kHeaderCryptInfo, then the
// EncryptionInfo structure, whose version (major.minor) and flags say which kind.
inline constexpr int kHeaderCryptInfo = 0x299;
inline constexpr std::uint32_t kCryptFlagCryptoApi = 0x04;  // fCryptoAPI
inline constexpr std::uint32_t kCryptFlagAes = 0x20;        // fAES

// Page types (first byte of a page).
inline constexpr std::uint8_t kPageData = 0x01;
inline constexpr std::uint8_t kPageTableDef = 0x02;
inline constexpr std::uint8_t kPageUsageMap = 0x05;

inline constexpr int kPageTdefPointer = 4;   // data page: u32 owning table definition
inline constexpr int kTdefNextPage = 4;      // definition page: u32 next page, 0 = last
inline constexpr int kTdefPageHeader = 8;    // bytes not repeated in later definition pages

// Row slots: the low 13 bits are the offset; the flags mark the slot.
inline constexpr std::uint16_t kSlotOffsetMask = 0x1fff;
inline constexpr std::uint16_t kSlotDeleted = 0x8000;   // deleted, or an overflow target
inline constexpr std::uint16_t kSlotOverflow = 0x4000;  // holds a pointer to the moved row

// Column types stored in table definitions.
enum ColumnType : std::uint8_t {
    kColBool = 0x01,
    kColByte = 0x02,
    kColInt = 0x03,
    kColLong = 0x04,
    kColMoney = 0x05,
    kColFloat = 0x06,
    kColDouble = 0x07,
    kColDateTime = 0x08,
    kColBinary = 0x09,
    kColText = 0x0a,
    kColOle = 0x0b,
    kColMemo = 0x0c,
    kColGuid = 0x0f,
    kColNumeric = 0x10,
    kColComplex = 0x12,  // i32: the key of its values in a hidden table (ACE)
    kColBigInt = 0x13,   // Large Number, i64 (Access 2016)
    kColExtDate = 0x14,  // Date/Time Extended, 42 ASCII bytes (Access 2019)
};
inline constexpr std::uint8_t kColFlagFixed = 0x01;
inline constexpr std::uint8_t kColFlagAutoNumber = 0x04;
inline constexpr std::uint8_t kColExtFlagCalculated = 0xc0;

// A calculated column's value (Jackcess CalculatedColumnUtil): 16 bytes of its
// own, the u32 length of the result, the result as a column of the result's type
// stores it, padding. A calculated Decimal's result is an OLE DECIMAL ([MS-OAUT]
// 2.2.26): 2 reserved bytes, scale, sign (0x80: negative), the high 32 bits and
// the low 64 bits of the 96-bit mantissa, little-endian (so read, the values of
// calcFieldTestV2010 agree with their expressions).
inline constexpr int kCalcResultLength = 16;
inline constexpr int kCalcResult = 20;
inline constexpr int kCalcDecimalSize = 16;
inline constexpr int kCalcDecimalScale = 2;
inline constexpr int kCalcDecimalSign = 3;
inline constexpr int kCalcDecimalHigh = 4;
inline constexpr int kCalcDecimalLow = 8;

// Date/Time Extended as stored (Jackcess ColumnImpl, readExtendedDateValue):
// 19 digits of days since 0001-01-01, ':', 12 digits of seconds since midnight
// and 7 digits of 100 ns, then ":7" and a NUL.
inline constexpr int kExtDateSize = 42;
inline constexpr int kExtDateDayDigits = 19;
inline constexpr int kExtDateSeparator = 19;
inline constexpr int kExtDateSeconds = 20;
inline constexpr int kExtDateSecondDigits = 12;
inline constexpr int kExtDateFraction = 32;
inline constexpr int kExtDateFractionDigits = 7;

// Long values (memo/OLE): 12-byte header in the row.
inline constexpr int kLongValueHeader = 12;
inline constexpr std::uint32_t kLongValueInline = 0x80000000u;
inline constexpr std::uint32_t kLongValueSinglePage = 0x40000000u;
inline constexpr std::uint32_t kLongValueLengthMask = 0x3fffffffu;

// Properties of a catalogue object (MSysObjects.LvProp; Jackcess PropertyMaps):
// a 4-byte signature, then blocks of u32 length (header included) and u16 kind.
// The names block lists every property name (u16 byte length, UTF-16LE); each
// values block starts with its map's name (u32 length of the name part, u16
// length, UTF-16LE; the table's own map has none) followed by values: u16 length
// of the value, DDL byte, type byte, u16 name index, u16 data size, data.
inline constexpr char kPropertySignature[4] = {'M', 'R', '2', '\0'};
inline constexpr std::uint16_t kPropertyNames = 0x80;
inline constexpr std::uint16_t kPropertyColumnValues = 0x01;
inline constexpr int kPropertyBlockHeader = 6;
inline constexpr int kPropertyValueHeader = 8;
// A calculated column's result type, a column type byte.
inline constexpr char16_t kPropertyResultType[] = u"ResultType";

// Complex columns (Jackcess ComplexColumnSupport, ComplexColumnInfoImpl): each
// has a row in MSysComplexColumns; ComplexTypeObjectID names a table whose columns
// say what the values are, FlatTableID the hidden table that holds them. Beside
// those columns the hidden table has an autonumber Long (each value's own key)
// and another Long, the key that the complex column holds in the table's rows.
inline constexpr char16_t kComplexColumnsTable[] = u"MSysComplexColumns";
inline constexpr char16_t kComplexId[] = u"ComplexID";
inline constexpr char16_t kComplexTypeObject[] = u"ComplexTypeObjectID";
inline constexpr char16_t kComplexConceptualTable[] = u"ConceptualTableID";
inline constexpr char16_t kComplexFlatTable[] = u"FlatTableID";
inline constexpr char16_t kAttachmentFileName[] = u"FileName";
inline constexpr char16_t kAttachmentFileData[] = u"FileData";

// MSysObjects: its definition is always on page 2.
inline constexpr std::uint32_t kCatalogTdefPage = 2;
inline constexpr int kObjectTable = 1;
inline constexpr int kObjectLinkedOdbc = 4;
inline constexpr int kObjectLinkedTable = 6;

using engine::le16;
using engine::le24;
using engine::le32;
using engine::le64;

}  // namespace jet
