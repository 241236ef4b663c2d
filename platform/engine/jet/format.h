#pragma once
// The page layouts of Jet 3 and Jet 4 that this reader relies on, one table per
// version, so the parsers read named fields instead of branching on the version.
// Source: the mdbtools format notes (HACKING.md: "Database Definition Page",
// "Data Pages", "TDEF (Table Definition) Pages", "Page Usage Maps", "LVAL Pages").

#include <cstdint>
#include <cstring>

#include "core/little_endian.h"

namespace jet {

struct Format {
    int version;            // 3 or 4
    std::uint32_t pageSize;

    // Database definition page (page 0); bytes from 0x18 are RC4-masked.
    int headerMaskedSize;   // bytes masked from kHeaderMaskStart
    int passwordSize;       // bytes at kHeaderPassword
    int creationDateOffset; // Jet 4 masks the password with this date; -1: none

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
    int colFixedOffset;      // u16, offset within the fixed-length area
    int colSize;             // u16
    int colNameLengthSize;   // 1 (Jet 3, code page bytes) or 2 (Jet 4, UTF-16LE bytes)
};

inline constexpr Format kJet3{
    .version = 3, .pageSize = 2048,
    .headerMaskedSize = 126, .passwordSize = 20, .creationDateOffset = -1,
    .dataRowCountOffset = 8, .rowColumnCountSize = 1,
    .tdefRowCount = 12, .tdefVarColumnCount = 23, .tdefColumnCount = 25, .tdefRealIndexCount = 31,
    .tdefUsageMap = 35, .tdefRealIndexStart = 43, .tdefRealIndexEntrySize = 8,
    .colEntrySize = 18, .colType = 0, .colNumber = 1, .colVarIndex = 3, .colPrecision = 9, .colScale = 10,
    .colFlags = 13, .colFixedOffset = 14, .colSize = 16, .colNameLengthSize = 1,
};

inline constexpr Format kJet4{
    .version = 4, .pageSize = 4096,
    .headerMaskedSize = 128, .passwordSize = 40, .creationDateOffset = 0x72,
    .dataRowCountOffset = 12, .rowColumnCountSize = 2,
    .tdefRowCount = 16, .tdefVarColumnCount = 43, .tdefColumnCount = 45, .tdefRealIndexCount = 51,
    .tdefUsageMap = 55, .tdefRealIndexStart = 63, .tdefRealIndexEntrySize = 12,
    .colEntrySize = 25, .colType = 0, .colNumber = 5, .colVarIndex = 7, .colPrecision = 11, .colScale = 12,
    .colFlags = 15, .colFixedOffset = 21, .colSize = 23, .colNameLengthSize = 2,
};

// Database definition page, both versions.
inline constexpr int kHeaderVersion = 0x14;       // 0: Jet 3, 1: Jet 4
inline constexpr int kHeaderMagic = 0x04;          // "Standard Jet DB"
inline constexpr int kHeaderMaskStart = 0x18;
inline constexpr int kHeaderCodePage = 0x3c;       // u16, Jet 3 text code page
inline constexpr int kHeaderDbKey = 0x3e;          // u32, nonzero: pages RC4-masked
inline constexpr int kHeaderPassword = 0x42;
inline constexpr std::uint8_t kHeaderMaskKey[4] = {0xc7, 0xda, 0x39, 0x6b};

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
};
inline constexpr std::uint8_t kColFlagFixed = 0x01;

// Long values (memo/OLE): 12-byte header in the row.
inline constexpr int kLongValueHeader = 12;
inline constexpr std::uint32_t kLongValueInline = 0x80000000u;
inline constexpr std::uint32_t kLongValueSinglePage = 0x40000000u;
inline constexpr std::uint32_t kLongValueLengthMask = 0x3fffffffu;

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
