#pragma once
// Jet 4 page layout, in one place. Facts from mdbtools' HACKING.md (the Jet page
// notes: "Database Definition Page", "Data Pages", "LVAL Pages", "TDEF Pages",
// "Page Usage Maps") and from hex dumps of databases written by Access 2003.
// All integers are little-endian.

#include <cstddef>
#include <cstdint>

namespace mkmdb::jet4 {

constexpr std::size_t kPageSize = 4096;

// Page types (first byte of every page).
constexpr std::uint8_t kPageHeader = 0x00;
constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDef = 0x02;
constexpr std::uint8_t kPageUsageMap = 0x05;

// Database definition page (page 0). Bytes kHeaderEncryptedStart..+128 are
// RC4-masked with a fixed key; the password inside is further XOR-masked with
// the integer part of the creation date.
constexpr char kHeaderMagic[] = "\x00\x01\x00\x00Standard Jet DB";  // 20 bytes with the NUL
constexpr std::size_t kHeaderVersion = 0x14;                          // 1 = Jet 4
constexpr std::size_t kHeaderEncryptedStart = 0x18;
constexpr std::size_t kHeaderEncryptedSize = 128;
constexpr std::uint8_t kHeaderRc4Key[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t kHeaderCodePage = 0x3C;  // u16, 1252
constexpr std::size_t kHeaderDbKey = 0x3E;     // u32; 0 = pages not encoded
constexpr std::size_t kHeaderPassword = 0x42;  // 40 bytes, UCS-2
constexpr std::size_t kHeaderPasswordSize = 40;
constexpr std::size_t kHeaderSortOrder = 0x6E;     // u16 0x0409 "General"
constexpr std::size_t kHeaderCreationDate = 0x72;  // double, days since 1899-12-30
constexpr std::uint16_t kCodePage1252 = 1252;
constexpr std::uint16_t kSortGeneral = 0x0409;

// Data and long-value pages.
constexpr std::size_t kDataFreeSpace = 2;    // u16
constexpr std::size_t kDataOwner = 4;        // u32: tdef page, or "LVAL"
constexpr std::size_t kDataRowCount = 12;    // u16
constexpr std::size_t kDataRowOffsets = 14;  // u16 per row; rows grow down from the page end
constexpr std::size_t kMaxRowsPerPage = 255;  // a row pointer keeps the row number in one byte
constexpr std::size_t kMaxRowSize = kPageSize - kDataRowOffsets - 2;

// Long values (Memo, OLE): a 12-byte field in the row.
constexpr std::size_t kLongValueHeader = 12;
constexpr std::uint32_t kLongValueInline = 0x80000000;
constexpr std::uint32_t kLongValueSinglePage = 0x40000000;
constexpr std::size_t kLvalChunk = kPageSize - kDataRowOffsets - 2 - 4;  // chain record: next pointer + data

// Table definition page.
constexpr std::size_t kTdefFreeSpace = 2;  // u16: free bytes minus 8
constexpr std::size_t kTdefNextPage = 4;   // u32
constexpr std::size_t kTdefContinuationHeader = 8;
constexpr std::size_t kTdefLength = 8;  // u32, whole definition including the first page header
constexpr std::size_t kTdefVersionTag = 12;  // u32, echoed in every column entry
constexpr std::size_t kTdefRowCount = 16;
constexpr std::size_t kTdefAutoNumber = 20;  // next value
constexpr std::size_t kTdefAutoNumberFlag = 24;
constexpr std::size_t kTdefTableType = 40;
constexpr std::size_t kTdefMaxCols = 41;
constexpr std::size_t kTdefVarCols = 43;
constexpr std::size_t kTdefCols = 45;
constexpr std::size_t kTdefIndexCount = 47;
constexpr std::size_t kTdefRealIndexCount = 51;
constexpr std::size_t kTdefUsedPagesMap = 55;  // row pointer (page << 8 | row)
constexpr std::size_t kTdefFreePagesMap = 59;
constexpr std::size_t kTdefColumns = 63;  // no indexes are written
constexpr std::uint32_t kTdefVersionTagValue = 0x0659;
constexpr std::uint8_t kTableUser = 0x4E;
constexpr std::uint8_t kTableSystem = 0x53;

// Column entry in the table definition (25 bytes).
constexpr std::size_t kColumnEntrySize = 25;
constexpr std::size_t kColType = 0;
constexpr std::size_t kColVersionTag = 1;
constexpr std::size_t kColNumber = 5;
constexpr std::size_t kColVarIndex = 7;
constexpr std::size_t kColRowNumber = 9;
constexpr std::size_t kColMisc = 11;  // Decimal: precision, scale; text: sort order
constexpr std::size_t kColFlags = 15;
constexpr std::size_t kColMiscFlags = 16;
constexpr std::size_t kColFixedOffset = 21;
constexpr std::size_t kColLength = 23;
constexpr std::uint8_t kColFlagFixed = 0x01;
constexpr std::uint8_t kColFlagNullable = 0x02;
constexpr std::uint8_t kColFlagAutoLong = 0x04;
constexpr std::uint8_t kColFlagSystem = 0x10;
constexpr std::uint8_t kColMiscCompressed = 0x01;

// Jet column type bytes.
constexpr std::uint8_t kColumnTypeNumeric = 0x10;

// Usage maps: type 0 holds a start page and a bitmap inline; type 1 lists
// usage-map pages, each covering kUsageMapPageBits pages.
constexpr std::uint8_t kMapInline = 0x00;
constexpr std::uint8_t kMapPages = 0x01;
constexpr std::size_t kUsageMapPageBits = (kPageSize - 4) * 8;

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

}  // namespace mkmdb::jet4
