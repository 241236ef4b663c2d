// The reader of existing workbook streams and the adding of a sheet, in memory:
// shared strings of every shape (rich, extended, split across CONTINUE with a
// change of width) keep their bytes and get right ExtSST entries; damaged
// streams are refused.

#include "workbook_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "biff_records.h"
#include "core/error_codes.h"
#include "error/error.h"
#include "workbook_append.h"
#include "workbook_globals.h"

namespace excel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Raw {
    std::uint16_t type;
    Bytes data;
};

std::uint32_t u32At(const Bytes& b, std::size_t i) {
    return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | static_cast<std::uint32_t>(b[i + 3]) << 24;
}

void put(Bytes& out, const Raw& r) {
    out.push_back(static_cast<std::uint8_t>(r.type));
    out.push_back(static_cast<std::uint8_t>(r.type >> 8));
    out.push_back(static_cast<std::uint8_t>(r.data.size()));
    out.push_back(static_cast<std::uint8_t>(r.data.size() >> 8));
    out.insert(out.end(), r.data.begin(), r.data.end());
}

Bytes bytesOf(const Payload& p) { return Bytes(p.data(), p.data() + p.size()); }

Bytes bof(std::uint16_t type) {
    Payload p;
    p.u16(biff::kBofVersionBiff8).u16(type).u16(0).u16(0).u32(0).u32(6);
    return bytesOf(p);
}

// The old strings: 20, among them a rich one, an extended one split over two
// CONTINUE records with a change of width, and one split inside its runs.
std::vector<Raw> stringTable() {
    Bytes sst = {20, 0, 0, 0, 20, 0, 0, 0};  // cstTotal, cstUnique
    auto plain = [](Bytes& b, const std::string& s) {
        b.push_back(static_cast<std::uint8_t>(s.size()));
        b.push_back(0);
        b.push_back(0);
        b.insert(b.end(), s.begin(), s.end());
    };
    for (int i = 0; i < 6; ++i) plain(sst, "old" + std::to_string(i));
    // 6: rich, 2 runs, compressed "hello".
    Bytes rich = {5, 0, biff::kStringRich, 2, 0, 'h', 'e', 'l', 'l', 'o', 0, 0, 1, 0, 3, 0, 2, 0};
    sst.insert(sst.end(), rich.begin(), rich.end());
    // 7: extended and wide, 3 characters: the first in SST ...
    Bytes ext = {3, 0, biff::kStringExt | biff::kStringHighByte, 6, 0, 0, 0, 0xC0, 0x03};
    sst.insert(sst.end(), ext.begin(), ext.end());
    // ... the other two compressed in a CONTINUE, then half the ExtRst ...
    Bytes c1 = {0, 'x', 'y', 1, 2, 3};
    // ... and the rest of it in the next CONTINUE, then more strings.
    Bytes c2 = {4, 5, 6};
    for (int i = 8; i < 19; ++i) plain(c2, "more" + std::to_string(i));
    // 19: rich, split inside its runs.
    Bytes richSplit = {2, 0, biff::kStringRich, 1, 0, 'o', 'k', 0, 0};
    c2.insert(c2.end(), richSplit.begin(), richSplit.end());
    Bytes c3 = {1, 0};
    return {{biff::kRecordSst, sst},
            {biff::kRecordContinue, c1},
            {biff::kRecordContinue, c2},
            {biff::kRecordContinue, c3}};
}

// A workbook stream: globals with 16 XFs, one sheet, the given string table,
// then the sheet with an Index pointing at a DBCell; `tail` bytes after it.
Bytes workbook(const std::vector<Raw>& strings, const Bytes& tail = {}) {
    Bytes out;
    put(out, {biff::kRecordBof, bof(biff::kBofWorkbookGlobals)});
    for (int i = 0; i < 16; ++i) put(out, {biff::kRecordXf, bytesOf(cellXf(0))});
    const std::size_t boundSheet = out.size();
    Payload sheet;
    sheet.u32(0).u8(0).u8(0).unicodeString(u"Vecchio", true);
    put(out, {biff::kRecordBoundSheet, bytesOf(sheet)});
    for (const Raw& r : strings) put(out, r);
    put(out, {biff::kRecordEof, {}});
    const auto sheetAt = static_cast<std::uint32_t>(out.size());
    std::memcpy(out.data() + boundSheet + 4, &sheetAt, 4);
    put(out, {biff::kRecordBof, bof(biff::kBofWorksheet)});
    const std::size_t index = out.size();
    put(out, {biff::kRecordIndex, Bytes(20, 0)});
    const auto dbCell = static_cast<std::uint32_t>(out.size());
    put(out, {biff::kRecordDbCell, Bytes(4, 0)});
    std::memcpy(out.data() + index + 4 + 12, &dbCell, 4);  // ibXF
    std::memcpy(out.data() + index + 4 + 16, &dbCell, 4);  // the DBCell
    put(out, {biff::kRecordEof, {}});
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

const QString kName = QStringLiteral("test.xls");

struct Added {
    Bytes stream;
    WorkbookLayout before;
    std::uint32_t newStrings;
};

Added addSheet(const Bytes& in) {
    Added a;
    a.before = readWorkbook(in.data(), in.size(), kName);
    AppendPlan plan = planAppend(a.before);
    SharedStrings strings(a.before.sstUnique);
    Worksheet sheet({{u"Nome"}, {u"Importo", engine::Type::Currency}}, strings, plan.xfs, false);
    engine::Row row(2);
    row[1].type = engine::Type::Currency;
    row[1].integer = 5;
    for (int i = 0; i < 9; ++i) {
        row[0].type = engine::Type::Text;
        row[0].text = u"nuovo " + std::u16string(1, static_cast<char16_t>(u'a' + i));
        sheet.addRow(row);
    }
    VectorSink out;
    RecordWriter w(out);
    writeWithSheet(w, in.data(), in.size(), a.before, plan, u"Nuovo", strings, sheet);
    a.stream = std::move(out.bytes);
    a.newStrings = strings.uniqueCount();
    return a;
}

TEST(WorkbookReader, StringsOfEveryShapeKeepTheirBytesAndGetRightExtSst) {
    const Bytes in = workbook(stringTable());
    Added a = addSheet(in);
    ASSERT_EQ(a.before.sstUnique, 20u);
    ASSERT_EQ(a.newStrings, 11u);  // two headers, nine names

    const WorkbookLayout after = readWorkbook(a.stream.data(), a.stream.size(), kName);
    ASSERT_EQ(after.sheets.size(), 2u);
    EXPECT_EQ(after.sheets[1].name, u"Nuovo");
    EXPECT_EQ(after.sstUnique, 31u);
    EXPECT_EQ(after.sstTotal, 20u + 2 + 9);
    // The old table's records come through byte for byte but for the counts.
    for (std::size_t k = 0; k < 4; ++k) {
        const RecordRef& o = a.before.globals[a.before.sst + k];
        const RecordRef& n = after.globals[after.sst + k];
        ASSERT_EQ(o.size, n.size);
        EXPECT_EQ(0, std::memcmp(in.data() + o.offset + 4 + (k == 0 ? 8 : 0),
                                 a.stream.data() + n.offset + 4 + (k == 0 ? 8 : 0),
                                 o.size - (k == 0 ? 8 : 0)))
            << k;
    }
    // ExtSST: one entry per bucket of 8, each the position the reader walks to.
    ASSERT_NE(after.extSst, WorkbookLayout::kNone);
    const RecordRef& ext = after.globals[after.extSst];
    Bytes e(a.stream.begin() + ext.offset + 4, a.stream.begin() + ext.offset + 4 + ext.size);
    ASSERT_EQ(e[0] | e[1] << 8, 8);
    ASSERT_EQ(e.size(), 2u + 8 * 4);
    for (std::uint32_t b = 0; b < 4; ++b) {
        const StringStart& s = after.stringStarts[b * 8];
        const RecordRef& r = after.globals[s.record];
        EXPECT_EQ(u32At(e, 2 + 8 * b), r.offset + 4 + s.offset) << b;
        EXPECT_EQ(e[6 + 8 * b] | e[7 + 8 * b] << 8, static_cast<int>(4 + s.offset)) << b;
    }
    // The old sheet moved by the globals' growth, and so did its Index offsets.
    const std::uint32_t shift = after.globalsEnd - a.before.globalsEnd;
    EXPECT_EQ(after.sheets[0].offset, a.before.sheets[0].offset + shift);
    ASSERT_EQ(after.indexRecords.size(), 2u);  // the old sheet's, the new sheet's
    const std::uint32_t index = after.indexRecords[0];
    const std::uint32_t dbCell = u32At(a.stream, index + 4 + 16);
    EXPECT_EQ(a.stream[dbCell] | a.stream[dbCell + 1] << 8, biff::kRecordDbCell);
    EXPECT_EQ(u32At(a.stream, index + 4 + 12), dbCell);
    // The new XFs follow the old 16 (no existing XF shows our formats).
    EXPECT_EQ(after.xfs.size(), 20u);
}

TEST(WorkbookReader, AShortZeroTailIsLeftOutSoTheNewSheetStartsOnARecord) {
    Added a = addSheet(workbook(stringTable(), Bytes{0, 0}));
    const WorkbookLayout after = readWorkbook(a.stream.data(), a.stream.size(), kName);
    EXPECT_EQ(after.sheets.size(), 2u);
}

TEST(WorkbookReader, WorkbookWithoutStringsGetsATable) {
    Added a = addSheet(workbook({}));
    const WorkbookLayout after = readWorkbook(a.stream.data(), a.stream.size(), kName);
    EXPECT_EQ(after.sstUnique, 11u);
    EXPECT_EQ(after.sst + 1, after.extSst);
}

TEST(WorkbookReader, DamagedStreamsAreRefused) {
    const Bytes good = workbook(stringTable());
    const WorkbookLayout l = readWorkbook(good.data(), good.size(), kName);
    auto at = [&](std::size_t record) { return l.globals[record].offset; };
    struct Case {
        const char* what;
        std::size_t offset;  // byte to set (or the length to cut to, for "cut")
        std::uint8_t value;
        const char* says;
    } cases[] = {
        {"cut inside a record", good.size() - 3, 0, "cut short"},
        {"record past the end", good.size() - 2, 0xFF, "cut short"},
        {"BIFF5 globals", 5, 0x05, "BIFF8"},
        {"worksheet first", 6, 0x10, "BIFF8"},
        {"one string more than held", at(l.sst) + 8, 21, "shared string"},
        {"one string fewer than held", at(l.sst) + 8, 19, "shared string"},
        {"string longer than its table", at(l.sst) + 12, 200, "shared string"},
        {"encrypted", at(1), biff::kRecordFilePass, "encrypted"},
        {"sheet offset into the globals", at(l.lastBoundSheet) + 4, 1, "not where"},
        {"XF of the wrong size", at(l.firstXf) + 2, 19, ""},
        {"Index too short", l.indexRecords[0] + 2, 10, "row index"},
        {"a stray byte at the end", good.size(), 7, "cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bad = good;
        if (std::string(c.what) == "cut inside a record") {
            bad.resize(c.offset);
        } else if (c.offset >= bad.size()) {
            bad.push_back(c.value);
        } else {
            bad[c.offset] = c.value;
        }
        try {
            readWorkbook(bad.data(), bad.size(), kName);
            ADD_FAILURE() << "accepted";
        } catch (const converti::Error& e) {
            EXPECT_EQ(e.number(), engine::kErrNotExpectedFormat);
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.says))) << e.what();
        }
    }
}

TEST(WorkbookReader, NamesCompareRegardlessOfCase) {
    WorkbookLayout l;
    l.sheets = {{u"Vendite \u00C0", 0}, {u"Foglio1", 0}};
    EXPECT_TRUE(hasSheetNamed(l, u"vendite \u00E0"));
    EXPECT_TRUE(hasSheetNamed(l, u"FOGLIO1"));
    EXPECT_FALSE(hasSheetNamed(l, u"Foglio"));
    EXPECT_FALSE(hasSheetNamed(l, u"Foglio1 "));
}

TEST(WorkbookReader, OfficeCrcIsTheTableDrivenCrcOfPolynomialAF) {
    // compare_added.py checks XFCRC of real workbooks with its own implementation;
    // here the defining properties.
    const std::uint8_t one[] = {0x01};
    EXPECT_EQ(officeCrc(0, one, 1), 0xAFu);  // the polynomial itself
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    std::uint32_t whole = officeCrc(0, data, 5);
    EXPECT_EQ(officeCrc(officeCrc(0, data, 2), data + 2, 3), whole);  // running
    EXPECT_NE(officeCrc(0, data, 4), whole);
}

}  // namespace
}  // namespace excel
