// Databases written by mkmdb, read back and compared with what was written:
// every field type, Null, Unicode beyond the BMP, long values over page chains,
// tables spanning many pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "error/error.h"
#include "jet/jet.h"
#include "jet/page_file.h"
#include "mkmdb.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

class Written : public ::testing::Test {
protected:
    std::string write(const mkmdb::Database& db, const std::string& name = "t.mdb") {
        const std::string path = dir_.file(name);
        mkmdb::write(db, path);
        return path;
    }
    support::TempDir dir_;
};

std::u16string u16(const std::string& s) { return mkmdb::utf8ToUtf16(s); }

std::string pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xff);
    return s;
}

std::u16string longText(std::size_t n) {
    std::u16string s;
    const std::u16string alphabet = u"abc déf Ωπ 日本 \U0001F600 xyz\n";
    while (s.size() < n) s += alphabet;
    s.resize(n);
    if (n > 0 && (s.back() & 0xfc00) == 0xd800) s.back() = u'z';  // no half pair at the end
    return s;
}

double bits(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

struct Expect {
    engine::Type type;
    mkmdb::Value written;
};

// Compares one read value with what was written into a column of that type.
void expectSame(const engine::Value& got, engine::Type columnType, const mkmdb::Value& w, const std::string& where) {
    SCOPED_TRACE(where);
    if (w.isNull()) {
        EXPECT_TRUE(got.isNull());
        return;
    }
    ASSERT_EQ(got.type, columnType);
    switch (columnType) {
        case engine::Type::Boolean: EXPECT_EQ(got.boolean, w.boolean()); break;
        case engine::Type::Byte:
        case engine::Type::Integer:
        case engine::Type::Long:
        case engine::Type::Currency: EXPECT_EQ(got.integer, w.integer()); break;
        case engine::Type::Single: EXPECT_EQ(got.number, w.number()); break;
        case engine::Type::Double:
        case engine::Type::Date: {
            std::uint64_t a, b;
            const double want = w.number();
            std::memcpy(&a, &got.number, 8);
            std::memcpy(&b, &want, 8);
            EXPECT_EQ(a, b) << got.number << " vs " << want;  // bit for bit
            break;
        }
        case engine::Type::Binary:
        case engine::Type::LongBinary: EXPECT_EQ(got.bytes, w.text()); break;
        case engine::Type::Text:
        case engine::Type::Memo:
            EXPECT_EQ(got.text, w.kind() == mkmdb::Value::Kind::Text16 ? w.text16() : u16(w.text()));
            break;
        case engine::Type::Guid:
            EXPECT_EQ(got.bytes, std::string(reinterpret_cast<const char*>(w.guid().bytes.data()), 16));
            break;
        case engine::Type::Decimal:
            EXPECT_TRUE(got.decimal.mantissa == w.decimal().mantissa);
            EXPECT_EQ(got.decimal.negative, w.decimal().negative);
            EXPECT_EQ(got.decimal.scale, w.decimal().scale);
            break;
        default: FAIL() << "unexpected type";
    }
}

unsigned __int128 pow10(int n) {
    unsigned __int128 v = 1;
    while (n-- > 0) v *= 10;
    return v;
}

TEST_F(Written, EveryTypeReadsBackExactly) {
    using T = mkmdb::Type;
    for (bool compressed : {true, false}) {
        SCOPED_TRACE(compressed ? "compressed text" : "plain text");
        mkmdb::Database db;
        std::vector<mkmdb::Column> cols = {
            {"Flag", T::Boolean, {}},       {"B", T::Byte, {}},
            {"I", T::Integer, {}},          {"L", T::Long, {}},
            {"C", T::Currency, {}},         {"S", T::Single, {}},
            {"D", T::Double, {}},           {"When", T::Date, {}},
            {"Bin", T::Binary, {.size = 255}},
            {"Txt", T::Text, {.size = 255, .compressed = compressed}},
            {"Ole", T::LongBinary, {}},     {"Note", T::Memo, {.compressed = compressed}},
            {"G", T::Guid, {}},             {"Dec", T::Decimal, {.precision = 28, .scale = 6}},
        };
        auto& t = db.addTable("Every", cols);
        mkmdb::Guid g;
        for (int i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(0xf0 - i * 9);
        const mkmdb::Decimal bigNeg{true, pow10(28) - 1, 6};
        std::vector<mkmdb::Row> rows = {
            {true, 255, 32767, 2147483647, mkmdb::Currency{INT64_MAX}, 0.1, 3.141592653589793,
             mkmdb::DateTime{45268.75}, mkmdb::Bytes{std::string("\0\1\2\0\xff", 5)},
             std::u16string(u"Aé€日本\U0001F600\U00010348"), mkmdb::Bytes{pattern(100, 1)},
             std::u16string(u"short memo \U0001F600"), g, bigNeg},
            {false, 0, -32768, -2147483647 - 1, mkmdb::Currency{INT64_MIN}, -3.4028234663852886e38,
             bits(0x0000000000000001ull), mkmdb::DateTime{-657434.0}, mkmdb::Bytes{""}, "",
             mkmdb::Bytes{pattern(5000, 2)}, std::u16string(longText(3000)), g,
             mkmdb::Decimal{false, 123456789, 6}},
            // Long values spread over chains of LVAL pages.
            {true, 7, 1, 1, mkmdb::Currency{-1}, 1e-45, -0.0, mkmdb::DateTime{0.999988425925926},
             mkmdb::Bytes{pattern(255, 3)}, std::u16string(255, u'x'), mkmdb::Bytes{pattern(300000, 4)},
             std::u16string(longText(120000)), g, mkmdb::Decimal{false, 0, 6}},
            {false, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{},
             mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{},
             mkmdb::Null{}, mkmdb::Null{}},
        };
        for (const auto& r : rows) t.addRow(r);
        const std::string path = write(db);

        auto jdb = jet::Database::open(path);
        EXPECT_EQ(jdb->jetVersion(), 4);
        auto table = jdb->openTable(u"Every");
        const auto& columns = table->columns();
        ASSERT_EQ(columns.size(), cols.size());
        for (std::size_t c = 0; c < cols.size(); ++c) {
            EXPECT_EQ(columns[c].name, u16(cols[c].name));
            EXPECT_EQ(static_cast<int>(columns[c].type), static_cast<int>(cols[c].type)) << cols[c].name;
        }
        EXPECT_EQ(columns[13].precision, 28);
        EXPECT_EQ(columns[13].scale, 6);
        engine::Row row;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_TRUE(table->next(row)) << "row " << r;
            for (std::size_t c = 0; c < cols.size(); ++c) {
                mkmdb::Value w = rows[r][c];
                // Singles are stored as floats; the reader gives their shortest decimal.
                if (cols[c].type == T::Single && !w.isNull()) {
                    const float f = static_cast<float>(w.number());
                    w = mkmdb::Value(f == 0.1f ? 0.1 : f == 1e-45f ? 1e-45 : -3.4028235e38);
                }
                expectSame(row[c], columns[c].type, w, "row " + std::to_string(r) + " " + cols[c].name);
            }
        }
        EXPECT_FALSE(table->next(row));
        // Null and the empty string stay apart.
        EXPECT_TRUE(row[9].isNull());
    }
}

TEST_F(Written, ManyPagesInStorageOrderWithReusedValues) {
    mkmdb::Database db;
    auto& t = db.addTable("Big", {{"ID", mkmdb::Type::Long, {}},
                                  {"Name", mkmdb::Type::Text, {.size = 100}},
                                  {"Amount", mkmdb::Type::Double, {}}});
    constexpr std::uint64_t kRows = 60000;
    t.generateRows(kRows, [](std::uint64_t i, mkmdb::Row& row) {
        row[0] = static_cast<std::int64_t>(i);
        row[1] = i % 7 == 0 ? mkmdb::Value(mkmdb::Null{}) : mkmdb::Value("name " + std::to_string(i * 31));
        row[2] = static_cast<double>(i) / 8;
    });
    auto jdb = jet::Database::open(write(db));
    auto table = jdb->openTable(u"big");
    engine::Row row;
    std::uint64_t n = 0;
    while (table->next(row)) {
        ASSERT_EQ(row[0].integer, static_cast<std::int64_t>(n));
        if (n % 7 == 0) {
            ASSERT_TRUE(row[1].isNull());
        } else {
            ASSERT_EQ(row[1].text, u16("name " + std::to_string(n * 31)));
        }
        ASSERT_EQ(row[2].number, static_cast<double>(n) / 8);
        ++n;
    }
    EXPECT_EQ(n, kRows);
}

// (Access, and mkmdb, refuse two names differing only in case, so ties cannot
// be written here.)
TEST_F(Written, TableNamesInAlphabeticalOrder) {
    mkmdb::Database db;
    for (const char* name : {"beta", "Alpha", "Zeta", "ÄLTER", "_under", "Gamma 2", "gamma 10"})
        db.addTable(name, {{"X", mkmdb::Type::Long, {}}});
    auto jdb = jet::Database::open(write(db));
    std::vector<std::u16string> user;
    for (const auto& n : jdb->tableNames())
        if (n.rfind(u"MSys", 0) != 0) user.push_back(n);
    const std::vector<std::u16string> expected = {u"_under", u"Alpha", u"ÄLTER", u"beta",
                                                  u"gamma 10", u"Gamma 2", u"Zeta"};
    EXPECT_EQ(user, expected);
    EXPECT_EQ(jdb->openTable(u"ALPHA")->name(), u"Alpha");
    EXPECT_EQ(jdb->openTable(u"älter")->name(), u"ÄLTER");
}

TEST_F(Written, DatabasePasswordIsRefused) {
    mkmdb::Database db;
    db.addTable("T", {{"X", mkmdb::Type::Long, {}}}).addRow({1});
    for (const char* pw : {"a", "segreto", "01234567890123456789"}) {
        db.setPassword(pw);
        db.setCreationDate(mkmdb::DateTime{40000.0 + std::strlen(pw) * 1000.5});
        const std::string path = write(db, std::string("pw") + std::to_string(std::strlen(pw)) + ".mdb");
        try {
            jet::Database::open(path);
            ADD_FAILURE() << "opened with password " << pw;
        } catch (const converti::Error& e) {
            EXPECT_EQ(e.number(), 3031) << e.what();
        }
    }
    db.setPassword("");
    EXPECT_NO_THROW(jet::Database::open(write(db, "nopw.mdb")));
}

// Long values at the edges of each place they can take: in the row up to 256
// bytes, on one page up to a row's maximum, then chains of whole pages whose
// last piece is one byte short of a page, a page, or one byte.
TEST_F(Written, LongValuesAtEachPlacementLimitReadBack) {
    for (bool jet3 : {false, true}) {
        SCOPED_TRACE(jet3 ? "jet 3" : "jet 4");
        const std::size_t maxRow = jet3 ? 2036 : 4080;  // a row's most bytes
        const std::size_t piece = jet3 ? 2032 : 4076;   // a chain page's data
        const std::vector<std::size_t> sizes = {0,          1,          255,       256,       257,
                                                maxRow - 1, maxRow,     maxRow + 1, 2 * piece - 1,
                                                2 * piece,  2 * piece + 1};
        mkmdb::Database db;
        db.setVersion(jet3 ? mkmdb::Version::Jet3 : mkmdb::Version::Jet4);
        auto& t = db.addTable("T", {{"N", mkmdb::Type::Long, {}}, {"Ole", mkmdb::Type::LongBinary, {}}});
        for (std::size_t i = 0; i < sizes.size(); ++i)
            t.addRow({static_cast<int>(i), mkmdb::Bytes{pattern(sizes[i], static_cast<unsigned>(i))}});
        const auto stats = mkmdb::write(db, dir_.file("limits.mdb"));
        EXPECT_EQ(stats.inlineLongValues, 4u);
        EXPECT_EQ(stats.singlePageLongValues, 3u);
        EXPECT_EQ(stats.chainedLongValues, 4u);
        auto table = jet::Database::open(dir_.file("limits.mdb"))->openTable(u"T");
        engine::Row row;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            ASSERT_TRUE(table->next(row));
            EXPECT_EQ(row[1].bytes, pattern(sizes[i], static_cast<unsigned>(i))) << "size " << sizes[i];
        }
        EXPECT_FALSE(table->next(row));
    }
}

// A long text's pieces may end anywhere, inside a UTF-16 unit too: whatever
// the split, plain, compressed and Jet 3 memos read back whole.
TEST_F(Written, LongTextsSplitAnywhereReadBack) {
    const std::u16string mixed = longText(3000);
    const std::u16string ascii(2600, u'q');
    for (bool jet3 : {false, true}) {
        for (bool compressed : {false, true}) {
            if (jet3 && compressed) continue;
            for (std::size_t piece : {7u, 1001u, 1u << 20}) {
                SCOPED_TRACE((jet3 ? "jet 3, " : compressed ? "compressed, " : "plain, ") +
                             std::to_string(piece));
                mkmdb::Database db;
                db.setVersion(jet3 ? mkmdb::Version::Jet3 : mkmdb::Version::Jet4);
                db.setLongValuePiece(piece);
                auto& t =
                    db.addTable("T", {{"Note", mkmdb::Type::Memo, {.compressed = compressed}}});
                // Jet 3 keeps code page 1252 text: no characters beyond it.
                const std::u16string first = jet3 ? ascii + u"éü" + ascii : mixed;
                std::vector<std::u16string> texts = {first, ascii, ascii + u"Ω" + ascii};
                if (jet3) texts.back() = ascii + u"ß" + ascii;
                for (const auto& text : texts) t.addRow({text});
                const auto stats = mkmdb::write(db, dir_.file("split.mdb"));
                EXPECT_EQ(stats.chainedLongValues, texts.size());
                auto table = jet::Database::open(dir_.file("split.mdb"))->openTable(u"T");
                engine::Row row;
                for (const auto& text : texts) {
                    ASSERT_TRUE(table->next(row));
                    EXPECT_TRUE(row[0].text == text) << "length " << row[0].text.size();
                }
                EXPECT_FALSE(table->next(row));
            }
        }
    }
}

// Pages read ahead in runs are the pages read one by one, whatever the order of
// the requests; a file cut short while open still ends in an error, not in data.
TEST_F(Written, PagesReadInRunsMatchPagesReadAlone) {
    mkmdb::Database db;
    auto& t = db.addTable("T", {{"ID", mkmdb::Type::Long, {}}, {"Note", mkmdb::Type::Memo, {}}});
    t.generateRows(3000, [](std::uint64_t i, mkmdb::Row& row) {
        row[0] = static_cast<std::int64_t>(i);
        row[1] = std::string(i % 5 == 0 ? 3000 : 40, static_cast<char>('a' + i % 26));
    });
    const std::string path = write(db);
    auto file = jet::PageFile::openPath(path);
    const std::uint32_t count = file->pageCount();
    ASSERT_GT(count, 3 * jet::PageRun::kPages);
    std::vector<std::uint32_t> order;
    for (std::uint32_t pg = 0; pg < count; ++pg) order.push_back(pg);  // forward
    for (std::uint32_t pg = count; pg-- > 0;) order.push_back(pg);      // backward
    for (std::uint32_t pg = 1; pg < count; pg += 3) order.push_back(pg);  // skipping
    order.insert(order.end(), {5, 5, 4, 40, 21, 22, count - 1, 0, count - 2, count - 1});
    jet::PageRun run;
    std::vector<std::uint8_t> alone, outside;
    for (std::uint32_t pg : order) {
        file->read(pg, alone);
        const auto inRun = file->page(pg, run, outside);
        ASSERT_TRUE(std::equal(inRun.begin(), inRun.end(), alone.begin(), alone.end())) << "page " << pg;
    }

    // Cut to 20 pages: a run that reaches past the new end stops there.
    ASSERT_EQ(::truncate(path.c_str(), 20 * static_cast<off_t>(alone.size())), 0);
    jet::PageRun cut;
    for (std::uint32_t pg = 10; pg < 20; ++pg) file->page(pg, cut, outside);
    int error = 0;
    try {
        file->page(20, cut, outside);
    } catch (const converti::Error& e) {
        error = e.number();
    }
    EXPECT_EQ(error, 3051);
}

}  // namespace
