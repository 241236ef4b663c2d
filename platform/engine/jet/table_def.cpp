#include "table_def.h"

#include <algorithm>
#include <unordered_set>

#include "core/error_codes.h"

namespace jet {

engine::Type engineType(std::uint8_t type) {
    switch (type) {
        case kColBool: return engine::Type::Boolean;
        case kColByte: return engine::Type::Byte;
        case kColInt: return engine::Type::Integer;
        case kColLong: return engine::Type::Long;
        case kColMoney: return engine::Type::Currency;
        case kColFloat: return engine::Type::Single;
        case kColDouble: return engine::Type::Double;
        case kColDateTime: return engine::Type::Date;
        case kColBinary: return engine::Type::Binary;
        case kColText: return engine::Type::Text;
        case kColOle: return engine::Type::LongBinary;
        case kColMemo: return engine::Type::Memo;
        case kColGuid: return engine::Type::Guid;
        case kColNumeric: return engine::Type::Decimal;
        case kColBigInt: return engine::Type::BigInt;
        case kColExtDate: return engine::Type::DateTimeExtended;
        default: return engine::Type::Binary;  // unknown kinds, unresolved complex columns: raw bytes
    }
}

bool TableDef::hasCalculated() const {
    return std::any_of(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.calculated; });
}

bool TableDef::hasComplex() const {
    return std::any_of(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.type == kColComplex; });
}

namespace {

QString tableLabel(const std::u16string& name) {
    return QStringLiteral("table '%1'").arg(QString::fromStdU16String(name));
}

}  // namespace

TableDef readTableDef(const PageFile& file, const TextDecoder& text, std::uint32_t tdefPage,
                      const std::u16string& name) {
    const Format& f = file.format();
    const auto corrupt = [&](const QString& what) {
        file.corrupt(QStringLiteral("%1: %2").arg(tableLabel(name), what));
    };

    // The definition may span pages; later pages continue it after their header.
    std::vector<std::uint8_t> def;
    std::vector<std::uint8_t> page;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t pg = tdefPage; pg != 0;) {
        if (!seen.insert(pg).second) corrupt(QStringLiteral("its definition pages form a loop"));
        file.read(pg, page);
        if (page[0] != kPageTableDef) corrupt(QStringLiteral("page %1 is not a table definition").arg(pg));
        if (def.empty())
            def = page;
        else
            def.insert(def.end(), page.begin() + kTdefPageHeader, page.end());
        pg = le32(page.data() + kTdefNextPage);
    }

    const auto need = [&](std::size_t end) {
        if (end > def.size()) corrupt(QStringLiteral("its definition is cut short"));
    };
    TableDef t;
    t.name = name;
    t.tdefPage = tdefPage;
    need(static_cast<std::size_t>(f.tdefRealIndexStart));
    t.varColumnCount = le16(&def[f.tdefVarColumnCount]);
    const unsigned columnCount = le16(&def[f.tdefColumnCount]);
    const std::uint32_t realIndexCount = le32(&def[f.tdefRealIndexCount]);
    t.usageMap = le32(&def[f.tdefUsageMap]);
    if (realIndexCount > def.size()) corrupt(QStringLiteral("its index count is impossible"));

    std::size_t pos = f.tdefRealIndexStart + std::size_t{realIndexCount} * f.tdefRealIndexEntrySize;
    std::size_t namePos = pos + std::size_t{columnCount} * f.colEntrySize;
    need(namePos);
    t.columns.resize(columnCount);
    for (unsigned i = 0; i < columnCount; ++i, pos += f.colEntrySize) {
        const std::uint8_t* e = &def[pos];
        ColumnDef& c = t.columns[i];
        c.type = e[f.colType];
        c.engineType = engineType(c.type);
        c.number = le16(e + f.colNumber);
        c.varIndex = le16(e + f.colVarIndex);
        c.fixed = (e[f.colFlags] & kColFlagFixed) != 0;
        c.autoNumber = (e[f.colFlags] & kColFlagAutoNumber) != 0;
        c.fixedOffset = le16(e + f.colFixedOffset);
        c.size = le16(e + f.colSize);
        c.calculated = f.colExtFlags >= 0 && (e[f.colExtFlags] & kColExtFlagCalculated) != 0;
        if (c.type == kColComplex && f.colComplexId >= 0)
            c.complexId = static_cast<std::int32_t>(le32(e + f.colComplexId));
        if (c.type == kColNumeric) {
            c.precision = e[f.colPrecision];
            c.scale = e[f.colScale];
        }
        need(namePos + f.colNameLengthSize);
        const unsigned len = f.colNameLengthSize == 1 ? def[namePos] : le16(&def[namePos]);
        namePos += f.colNameLengthSize;
        need(namePos + len);
        text.decode(&def[namePos], len, c.name);
        namePos += len;
    }
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    return t;
}

std::uint16_t findRow(const PageFile& file, std::span<const std::uint8_t> page, unsigned row,
                      unsigned* start, unsigned* end) {
    const Format& f = file.format();
    const unsigned count = le16(&page[f.dataRowCountOffset]);
    const unsigned slotTable = f.dataRowCountOffset + 2;
    if (row >= count || slotTable + 2 * (row + 1) > f.pageSize)
        file.corrupt(QStringLiteral("a row pointer names row %1 of a page with %2 rows").arg(row).arg(count));
    const std::uint16_t slot = le16(&page[slotTable + 2 * row]);
    *start = slot & kSlotOffsetMask;
    *end = row == 0 ? f.pageSize : (le16(&page[slotTable + 2 * (row - 1)]) & kSlotOffsetMask);
    if (*start < slotTable + 2 * count || *start > *end || *end > f.pageSize) {
        if (slot & kSlotDeleted) {  // deleted rows may leave stale offsets behind
            *start = *end = 0;
            return slot;
        }
        file.corrupt(QStringLiteral("row %1 of a page lies outside it").arg(row));
    }
    return slot;
}

}  // namespace jet
