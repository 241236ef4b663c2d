#pragma once
// Jet 3, Jet 4 and ACE page layouts, in one place: what the versions share as
// named constants, what differs in one Format table per version. Facts from
// mdbtools' HACKING.md (the Jet page notes: "Database Definition Page", "Data
// Pages", "LVAL Pages", "TDEF Pages", "Page Usage Maps") and from hex dumps of
// databases written by Access 97, 2003, 2007, 2010, 2016 and 2019. ACE
// (Access 2007-2019) keeps Jet 4's pages; its header names another engine and
// its version byte the Access release. All integers are little-endian.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace mkmdb::jet {

constexpr std::size_t kMaxPageSize = 4096;
constexpr std::size_t kNone = SIZE_MAX;  // a field this version does not have

// Page types (first byte of every page).
constexpr std::uint8_t kPageHeader = 0x00;
constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDef = 0x02;
constexpr std::uint8_t kPageUsageMap = 0x05;

// Database definition page (page 0). A region from kHeaderEncryptedStart is
// RC4-masked with a fixed key.
constexpr std::size_t kHeaderMagicSize = 20;  // with its NUL
constexpr char kHeaderMagicJet[] = "\x00\x01\x00\x00Standard Jet DB";
constexpr char kHeaderMagicAce[] = "\x00\x01\x00\x00Standard ACE DB";
static_assert(sizeof kHeaderMagicJet == kHeaderMagicSize && sizeof kHeaderMagicAce == kHeaderMagicSize);
constexpr std::size_t kHeaderVersion = 0x14;
constexpr std::size_t kHeaderEncryptedStart = 0x18;
constexpr std::uint8_t kHeaderRc4Key[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kHeaderCodePage = 0x3C;  // u16, 1252
constexpr std::size_t kHeaderDbKey = 0x3E;     // u32; 0 = pages not encoded
constexpr std::size_t kHeaderPassword = 0x42;
constexpr std::uint16_t kCodePage1252 = 1252;
constexpr std::uint16_t kSortGeneral = 0x0409;

// Data and long-value pages share a header; "LVAL" in place of the owner.
constexpr std::size_t kDataFreeSpace = 2;  // u16
constexpr std::size_t kDataOwner = 4;      // u32: tdef page, or "LVAL"
constexpr std::size_t kMaxRowsPerPage = 255;  // a row pointer keeps the row number in one byte

// Long values (Memo, OLE): a 12-byte field in the row.
constexpr std::size_t kLongValueHeader = 12;
constexpr std::uint32_t kLongValueInline = 0x80000000;
constexpr std::uint32_t kLongValueSinglePage = 0x40000000;

// Table definition pages.
constexpr std::size_t kTdefFreeSpace = 2;  // Jet 4: u16 free bytes minus 8; Jet 3: "VC"
constexpr std::size_t kTdefNextPage = 4;   // u32
constexpr std::size_t kTdefContinuationHeader = 8;
constexpr std::size_t kTdefLength = 8;  // u32, whole definition including the first page header
constexpr std::uint32_t kTdefVersionTagValue = 0x0659;
constexpr std::uint8_t kTableUser = 0x4E;
constexpr std::uint8_t kTableSystem = 0x53;

constexpr std::size_t kColType = 0;
constexpr std::uint8_t kColFlagFixed = 0x01;
constexpr std::uint8_t kColFlagNullable = 0x02;
constexpr std::uint8_t kColFlagAutoLong = 0x04;
constexpr std::uint8_t kColMiscCompressed = 0x01;
constexpr std::uint8_t kColumnTypeNumeric = 0x10;
constexpr std::uint8_t kColumnTypeLargeNumber = 0x13;  // 8 bytes, signed
constexpr std::uint8_t kColumnTypeDateTimeExtended = 0x14;
// Where other columns keep their sort order (0x0409), Access 2019 writes
// these two bytes for a Date/Time Extended column (the 7 matches the value's
// seven fraction digits).
constexpr std::uint8_t kColDateTimeExtendedTag[2] = {0x09, 0x07};

// A Date/Time Extended value: 42 bytes of ASCII, "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF:7"
// and a NUL: days since 0001-01-01 (19 digits), seconds since midnight (12),
// 100-ns units (7). Seen in a file saved by Access 2019.
constexpr std::size_t kDateTimeExtendedSize = 42;
constexpr std::size_t kDateTimeExtendedDayDigits = 19;
constexpr std::size_t kDateTimeExtendedSecondDigits = 12;
constexpr std::size_t kDateTimeExtendedTickDigits = 7;

// Usage maps: type 0 holds a start page and a bitmap inline; type 1 lists
// usage-map pages, each a bitmap of (page size - 4) * 8 pages.
constexpr std::uint8_t kMapInline = 0x00;
constexpr std::uint8_t kMapPages = 0x01;

// Catalogue (MSysObjects).
constexpr std::uint32_t kMSysObjectsPage = 2;
constexpr std::int32_t kContainerRoot = 0x0F000000;
constexpr std::int32_t kContainerTables = 0x0F000001;
constexpr std::int32_t kContainerDatabases = 0x0F000002;
constexpr std::int32_t kContainerRelationships = 0x0F000003;
constexpr std::int32_t kMSysDbId = 0x10000000;
constexpr std::int16_t kObjectTable = 1;
constexpr std::int16_t kObjectDatabase = 2;
constexpr std::int16_t kObjectContainer = 3;
constexpr std::uint32_t kObjectFlagSystem = 0x80000000;

// What differs between the versions.
struct Format {
    int version;       // page layout: 3 or 4 (ACE's is Jet 4's)
    const char* name;  // the Access release, for messages
    std::size_t pageSize;
    // Header page.
    const char* headerMagic;  // kHeaderMagicSize bytes
    std::uint8_t versionByte;
    std::size_t headerEncryptedSize;
    std::size_t headerPasswordSize;
    bool unicode;                  // UCS-2 text (Jet 4) or code page 1252 bytes (Jet 3)
    std::size_t headerSortOrder;   // u16
    std::size_t headerCreationDate;  // double; Jet 4 also masks the password with it
    // Data pages.
    std::size_t dataRowCount;   // u16
    std::size_t dataRowOffsets;  // u16 per row
    std::size_t rowCountSize;    // bytes of counts and offsets inside a row
    // Table definition.
    std::size_t tdefVersionTag, tdefRowCount, tdefAutoNumber, tdefAutoNumberFlag, tdefTableType, tdefMaxCols,
        tdefVarCols, tdefCols, tdefIndexCount, tdefRealIndexCount, tdefUsedPagesMap, tdefFreePagesMap, tdefColumns;
    // Column entry.
    std::size_t colEntrySize, colVersionTag, colNumber, colVarIndex, colRowNumber, colSortOrder, colCodePage,
        colPrecision, colScale, colFlags, colMiscFlags, colFixedOffset, colLength;
    std::size_t nameLengthSize;
    bool passwordInHeader;  // ACE keeps none there: Access encrypts the file instead
    // Field types beyond Jet 4's.
    bool largeNumber;
    bool dateTimeExtended;

    std::size_t maxRowSize() const { return pageSize - dataRowOffsets - 2; }
    // A long-value chain record: next pointer, then data.
    std::size_t lvalChunk() const { return pageSize - dataRowOffsets - 2 - 4; }
    std::size_t usageMapPageBits() const { return (pageSize - 4) * 8; }
};

constexpr Format kJet3 = {
    .version = 3, .name = "Access 97", .pageSize = 2048,
    .headerMagic = kHeaderMagicJet, .versionByte = 0x00, .headerEncryptedSize = 126, .headerPasswordSize = 20, .unicode = false,
    .headerSortOrder = 0x3A, .headerCreationDate = kNone,
    .dataRowCount = 8, .dataRowOffsets = 10, .rowCountSize = 1,
    .tdefVersionTag = kNone, .tdefRowCount = 12, .tdefAutoNumber = 16, .tdefAutoNumberFlag = kNone,
    .tdefTableType = 20, .tdefMaxCols = 21, .tdefVarCols = 23, .tdefCols = 25, .tdefIndexCount = 27,
    .tdefRealIndexCount = 31, .tdefUsedPagesMap = 35, .tdefFreePagesMap = 39, .tdefColumns = 43,
    .colEntrySize = 18, .colVersionTag = kNone, .colNumber = 1, .colVarIndex = 3, .colRowNumber = 5,
    .colSortOrder = 9, .colCodePage = 11, .colPrecision = kNone, .colScale = kNone, .colFlags = 13,
    .colMiscFlags = kNone, .colFixedOffset = 14, .colLength = 16,
    .nameLengthSize = 1,
    .passwordInHeader = true, .largeNumber = false, .dateTimeExtended = false,
};

constexpr Format kJet4 = {
    .version = 4, .name = "Access 2000-2003", .pageSize = 4096,
    .headerMagic = kHeaderMagicJet, .versionByte = 0x01, .headerEncryptedSize = 128, .headerPasswordSize = 40, .unicode = true,
    .headerSortOrder = 0x6E, .headerCreationDate = 0x72,
    .dataRowCount = 12, .dataRowOffsets = 14, .rowCountSize = 2,
    .tdefVersionTag = 12, .tdefRowCount = 16, .tdefAutoNumber = 20, .tdefAutoNumberFlag = 24,
    .tdefTableType = 40, .tdefMaxCols = 41, .tdefVarCols = 43, .tdefCols = 45, .tdefIndexCount = 47,
    .tdefRealIndexCount = 51, .tdefUsedPagesMap = 55, .tdefFreePagesMap = 59, .tdefColumns = 63,
    .colEntrySize = 25, .colVersionTag = 1, .colNumber = 5, .colVarIndex = 7, .colRowNumber = 9,
    .colSortOrder = 11, .colCodePage = kNone, .colPrecision = 11, .colScale = 12, .colFlags = 15,
    .colMiscFlags = 16, .colFixedOffset = 21, .colLength = 23,
    .nameLengthSize = 2,
    .passwordInHeader = true, .largeNumber = false, .dateTimeExtended = false,
};

// ACE: Jet 4's layout; the version byte is 2 (Access 2007), 3 (2010),
// 5 (2016) or 6 (2019), as mdb-reader's and mdbtools' version tables have it
// and the files saved by those releases show.
constexpr Format aceFormat(const char* name, std::uint8_t versionByte, bool largeNumber, bool dateTimeExtended) {
    Format f = kJet4;
    f.name = name;
    f.headerMagic = kHeaderMagicAce;
    f.versionByte = versionByte;
    f.passwordInHeader = false;
    f.largeNumber = largeNumber;
    f.dateTimeExtended = dateTimeExtended;
    return f;
}
constexpr Format kAce2007 = aceFormat("Access 2007", 0x02, false, false);
constexpr Format kAce2010 = aceFormat("Access 2010", 0x03, false, false);
constexpr Format kAce2016 = aceFormat("Access 2016", 0x05, true, false);
constexpr Format kAce2019 = aceFormat("Access 2019", 0x06, true, true);

}  // namespace mkmdb::jet
