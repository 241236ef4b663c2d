// Access 2007-2019 files the reader must refuse: a version byte no Access wrote, a
// password, Office encryption of each kind, files cut short, and damaged links
// to the hidden tables of complex columns, calculated fields without a result
// type, Date/Time Extended values that are not dates. Each ends in one error
// with its number and a description naming the file (and the table and field
// where one is concerned); none crashes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QString>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "error/error.h"
#include "jet/format.h"
#include "jet/jet.h"
#include "jet/page_file.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

std::string fixture(const std::string& name) { return support::fixture("accdb/" + name); }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A temporary folder to write files to open.
class Scratch : public support::TempDir {
public:
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string path = file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

// The header's bytes from 0x18 are stored masked; flipping a stored bit flips the
// same bit of what the reader sees.
void flipHeader(std::string& bytes, int offset, unsigned char bits) {
    bytes[offset] ^= static_cast<char>(bits);
}

void putLe16(std::string& bytes, std::size_t at, unsigned v) {
    bytes[at] = static_cast<char>(v & 0xff);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void putLe32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

// An encrypted header: the database key set, and an EncryptionInfo of the given
// version and flags at its place.
std::string encrypted(std::string bytes, unsigned major, unsigned minor, std::uint32_t flags) {
    flipHeader(bytes, jet::kHeaderDbKey, 0x5a);
    putLe16(bytes, jet::kHeaderCryptInfo, 64);
    putLe16(bytes, jet::kHeaderCryptInfo + 2, major);
    putLe16(bytes, jet::kHeaderCryptInfo + 4, minor);
    putLe32(bytes, jet::kHeaderCryptInfo + 6, flags);
    return bytes;
}

struct OpenCase {
    const char* what;
    const char* source;  // fixture the bytes come from
    std::function<std::string(std::string)> change;
    int number;
    const char* said;  // part of the description
};

class AceOpenFails : public ::testing::TestWithParam<OpenCase> {};

TEST_P(AceOpenFails, BeforeAnyTableIsRead) {
    const OpenCase& c = GetParam();
    if (!fs::exists(fixture(c.source))) GTEST_SKIP() << "ACE fixtures not present";
    Scratch scratch;
    const std::string path = scratch.write("changed.accdb", c.change(readFile(fixture(c.source))));
    try {
        auto db = jet::Database::open(path);
        FAIL() << c.what << ": opened, version " << db->jetVersion();
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), c.number) << e.what();
        EXPECT_TRUE(e.description().contains(QString::fromStdString(path))) << e.what();
        EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.said))) << e.what();
    }
}

const auto kSame = [](std::string b) { return b; };

INSTANTIATE_TEST_SUITE_P(
    Cases, AceOpenFails,
    ::testing::Values(
        OpenCase{"made with a password by Access 2010", "V2010_with-password.accdb", kSame, 3031,
                 "Office agile encryption"},
        OpenCase{"version byte 4, between Access 2010 and 2016", "testV2010.accdb",
                 [](std::string b) { return b[jet::kHeaderVersion] = 4, b; }, 3343, "version 4"},
        OpenCase{"version byte 7, past Access 2019", "testV2010.accdb",
                 [](std::string b) { return b[jet::kHeaderVersion] = 7, b; }, 3343, "version 7"},
        OpenCase{"version byte 1 (Jet 4) under the ACE signature", "testV2010.accdb",
                 [](std::string b) { return b[jet::kHeaderVersion] = 1, b; }, 3343, "version 1"},
        OpenCase{"version byte 0xff", "testV2007.accdb",
                 [](std::string b) { return b[jet::kHeaderVersion] = '\xff', b; }, 3343,
                 "version 255"},
        OpenCase{"signature changed", "testV2007.accdb",
                 [](std::string b) { return b[4] = 'X', b; }, 3343, "not an Access database"},
        OpenCase{"database key set, no encryption details", "testV2010.accdb",
                 [](std::string b) { return flipHeader(b, jet::kHeaderDbKey + 3, 1), b; }, 3031,
                 "(Office encryption)"},
        OpenCase{"agile encryption (4.4)", "testV2010.accdb",
                 [](std::string b) { return encrypted(b, 4, 4, 0x40); }, 3031,
                 "Office agile encryption"},
        OpenCase{"RC4 encryption (1.1)", "testV2007.accdb",
                 [](std::string b) { return encrypted(b, 1, 1, 0); }, 3031,
                 "Office RC4 encryption"},
        OpenCase{"RC4 CryptoAPI encryption (4.2)", "testV2010.accdb",
                 [](std::string b) { return encrypted(b, 4, 2, jet::kCryptFlagCryptoApi); }, 3031,
                 "Office RC4 CryptoAPI encryption"},
        OpenCase{"standard AES encryption (3.2)", "testV2010.accdb",
                 [](std::string b) {
                     return encrypted(b, 3, 2, jet::kCryptFlagCryptoApi | jet::kCryptFlagAes);
                 },
                 3031, "Office standard (AES) encryption"},
        OpenCase{"extensible encryption (4.3)", "testV2010.accdb",
                 [](std::string b) { return encrypted(b, 4, 3, 0); }, 3031, "(Office encryption)"},
        OpenCase{"a database password and no encryption", "testV2010.accdb",
                 [](std::string b) { return flipHeader(b, jet::kHeaderPassword + 39, 0x80), b; },
                 3031, "protected by a database password"},
        OpenCase{"the first page alone", "testV2010.accdb",
                 [](std::string b) { return b.substr(0, 4096); }, 3343,
                 "not a whole number of pages"},
        OpenCase{"two pages", "testV2010.accdb", [](std::string b) { return b.substr(0, 8192); },
                 3343, "not a whole number of pages"},
        OpenCase{"three pages and a byte short", "testV2010.accdb",
                 [](std::string b) { return b.substr(0, 3 * 4096 - 1); }, 3343,
                 "not a whole number of pages"},
        OpenCase{"shorter than a Jet 3 page", "testV2010.accdb",
                 [](std::string b) { return b.substr(0, 2047); }, 3343, "not an Access database"}),
    [](const auto& info) {
        std::string s;
        for (const char* p = info.param.what; *p; ++p)
            s += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return s;
    });

// Each version byte Access 2007-2019 writes opens, and says which it was.
TEST(AceVersions, EveryVersionAccessWroteOpens) {
    if (!fs::exists(fixture("testV2010.accdb"))) GTEST_SKIP() << "ACE fixtures not present";
    const std::string bytes = readFile(fixture("testV2010.accdb"));
    const struct {
        char code;
        int engine;
    } versions[] = {{2, 12}, {3, 14}, {5, 16}, {6, 17}};
    for (const auto& v : versions) {
        std::string changed = bytes;
        changed[jet::kHeaderVersion] = v.code;
        auto db = jet::Database::openBuffer(changed);
        EXPECT_EQ(db->jetVersion(), v.engine);
        engine::Row row;
        auto table = db->openTable(u"Table1");
        int rows = 0;
        while (table->next(row)) ++rows;
        EXPECT_EQ(rows, 2);
    }
}

// Where a column's definition starts in the file, read from the table's first
// definition page with the ACE layout.
std::size_t columnEntry(const std::string& bytes, std::uint32_t tdefPage,
                        std::u16string_view column) {
    const jet::Format& f = jet::kAce;
    const auto* page =
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + std::size_t{tdefPage} * f.pageSize;
    const unsigned columns = engine::le16(page + f.tdefColumnCount);
    const std::size_t entries =
        f.tdefRealIndexStart + engine::le32(page + f.tdefRealIndexCount) * f.tdefRealIndexEntrySize;
    std::size_t name = entries + columns * f.colEntrySize;
    for (unsigned i = 0; i < columns; ++i) {
        const unsigned length = engine::le16(page + name);
        std::u16string text;
        for (unsigned k = 0; k < length; k += 2)
            text += static_cast<char16_t>(engine::le16(page + name + 2 + k));
        if (text == column)
            return std::size_t{tdefPage} * f.pageSize + entries + i * f.colEntrySize;
        name += 2 + length;
    }
    ADD_FAILURE() << "no such column";
    return 0;
}

std::uint32_t tablePage(const std::string& bytes, std::u16string_view table) {
    auto db = jet::Database::openBuffer(bytes);
    auto objects = db->openTable(u"MSysObjects");
    engine::Row row;
    while (objects->next(row))
        if (row[2].type == engine::Type::Text && row[2].text == table)
            return static_cast<std::uint32_t>(row[0].integer) & 0xffffff;
    ADD_FAILURE() << "no such table";
    return 0;
}

struct TableCase {
    const char* what;
    const char* source;
    const char16_t* table;
    std::function<void(std::string&)> damage;
    const char* said;
};

class AceTableFails : public ::testing::TestWithParam<TableCase> {};

TEST_P(AceTableFails, NamingTheTableAndField) {
    const TableCase& c = GetParam();
    if (!fs::exists(fixture(c.source))) GTEST_SKIP() << "ACE fixtures not present";
    std::string bytes = readFile(fixture(c.source));
    c.damage(bytes);
    auto db = jet::Database::openBuffer(bytes);
    try {
        auto table = db->openTable(c.table);
        engine::Row row;
        while (table->next(row)) {
        }
        FAIL() << c.what << ": read";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), 3343) << e.what();
        EXPECT_TRUE(e.description().contains(QString::fromStdU16String(c.table))) << e.what();
        EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.said))) << e.what();
    }
}

// Points a complex column at another row of MSysComplexColumns.
std::function<void(std::string&)> complexIdOf(const char16_t* column, std::uint32_t id) {
    return [column, id](std::string& b) {
        putLe32(b, columnEntry(b, tablePage(b, u"Table1"), column) + jet::kAce.colComplexId, id);
    };
}

// Marks a plain column calculated.
std::function<void(std::string&)> calculated(const char16_t* column) {
    return [column](std::string& b) {
        b[columnEntry(b, tablePage(b, u"Table1"), column) + jet::kAce.colExtFlags] |=
            jet::kColExtFlagCalculated;
    };
}

// Spoils the first stored Date/Time Extended value: a digit of its days, or its separator.
std::function<void(std::string&)> extDate(int offset, char with) {
    return [offset, with](std::string& b) {
        for (std::size_t i = 0; i + jet::kExtDateSize <= b.size(); ++i) {
            if (b.compare(i + 19, 1, ":") != 0 || b.compare(i + 39, 3, std::string(":7\0", 3)) != 0)
                continue;
            b[i + offset] = with;
            return;
        }
        ADD_FAILURE() << "no Date/Time Extended value found";
    };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AceTableFails,
    ::testing::Values(TableCase{"a complex column whose entry is missing",
                                "complexDataTestV2010.accdb", u"Table1",
                                complexIdOf(u"multi-value-data", 99),
                                "MSysComplexColumns has no entry 99"},
                      TableCase{"a complex column pointing at another table's entry",
                                "complexDataTestV2010.accdb", u"Table1",
                                complexIdOf(u"attach-data", 1), "belongs to another table"},
                      TableCase{"a calculated field whose result type is 0",
                                "calcFieldTestV2010.accdb", u"Table1", calculated(u"City"),
                                "'City': the calculated field has no result type"},
                      TableCase{"a calculated field without properties",
                                "complexDataTestV2010.accdb", u"Table1", calculated(u"memo-data"),
                                "'memo-data': the calculated field has no result type"},
                      TableCase{"a letter among a date's day digits", "extDateTestV2019.accdb",
                                u"Table1", extDate(3, 'x'), "not a Date/Time Extended value"},
                      TableCase{"a day past 9999-12-31", "extDateTestV2019.accdb", u"Table1",
                                extDate(12, '9'), "not a Date/Time Extended value"},
                      TableCase{"no separator after the days", "extDateTestV2019.accdb", u"Table1",
                                extDate(19, '0'), "not a Date/Time Extended value"},
                      TableCase{"a second past the day's last", "extDateTestV2019.accdb", u"Table1",
                                extDate(27, '9'), "not a Date/Time Extended value"}),
    [](const auto& info) {
        std::string s;
        for (const char* p = info.param.what; *p; ++p)
            s += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return s;
    });

// Pointing a complex column at the version history's entry leaves it out, as
// Access shows no version history; its data stays readable.
TEST(AceComplexColumns, VersionHistoryIsNoField) {
    if (!fs::exists(fixture("complexDataTestV2010.accdb")))
        GTEST_SKIP() << "ACE fixtures not present";
    std::string bytes = readFile(fixture("complexDataTestV2010.accdb"));
    const auto names = [](jet::Table& t) {
        std::vector<std::u16string> out;
        for (const auto& c : t.columns()) out.push_back(c.name);
        return out;
    };
    auto plain = jet::Database::openBuffer(bytes)->openTable(u"Table1");
    EXPECT_EQ(names(*plain), (std::vector<std::u16string>{u"id", u"memo-data", u"append-memo-data",
                                                          u"multi-value-data", u"attach-data"}));
    complexIdOf(u"multi-value-data", 2)(bytes);
    auto changed = jet::Database::openBuffer(bytes)->openTable(u"Table1");
    EXPECT_EQ(names(*changed), (std::vector<std::u16string>{u"id", u"memo-data",
                                                            u"append-memo-data", u"attach-data"}));
    engine::Row row;
    int rows = 0;
    while (changed->next(row)) ++rows;
    EXPECT_EQ(rows, 4);
}

}  // namespace
