// Whole workbooks: written to a temporary folder, then read back by independent
// readers (xlrd for cells and formats, olefile for the container, and a raw record
// walk for the offsets records point at), and the file-safety rules.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/error_codes.h"
#include "excel/excel.h"
#include "workbook_test_support.h"

namespace fs = std::filesystem;
using engine::Column;
using engine::Row;
using engine::Type;
using engine::Value;

namespace {

using workbook_test::TempDir;

QJsonObject readBack(const std::string& path, int rows = -1) {
    std::string args = "read_xls.py '" + path + "'";
    if (rows >= 0) args += " --rows " + std::to_string(rows);
    return workbook_test::runReader(args);
}

QJsonArray cellAt(const QJsonObject& sheet, int row, int col) {
    for (const auto& c : sheet["cells"].toArray()) {
        QJsonArray a = c.toArray();
        if (a[0].toInt() == row && a[1].toInt() == col) return a;
    }
    return {};
}

Value text(std::u16string s, Type t = Type::Text) {
    Value v;
    v.type = t;
    v.text = std::move(s);
    return v;
}
Value num(Type t, double d) {
    Value v;
    v.type = t;
    v.number = d;
    return v;
}
Value integer(Type t, std::int64_t i) {
    Value v;
    v.type = t;
    v.integer = i;
    return v;
}

using workbook_test::expectError;

void expectNoProblems(const QJsonObject& doc) {
    EXPECT_EQ(doc["problems"].toArray().size(), 0)
        << QJsonDocument(doc["problems"].toArray()).toJson().toStdString();
    EXPECT_TRUE(doc["streams"].toArray().contains(QStringLiteral("Workbook")));
    EXPECT_EQ(doc["root_clsid"].toString(), "00020820-0000-0000-C000-000000000046");
}

TEST(SheetExport, EveryTypeReadsBackCellByCell) {
    TempDir dir;
    const std::string path = dir.file("types.xls");
    struct Case {
        const char* name;
        Value value;
        const char* type;  // as xlrd reports it; "" = no cell
        QJsonValue expected;
        const char* format;
    };
    Value yes;
    yes.type = Type::Boolean;
    yes.boolean = true;
    Value no = yes;
    no.boolean = false;
    Value guid;
    guid.type = Type::Guid;
    guid.bytes =
        std::string("\x78\x56\x34\x12\x34\x12\x78\x56\x9A\xBC\xDE\xF0\x01\x02\x03\x04", 16);
    Value binary;
    binary.type = Type::Binary;
    binary.bytes = "\x01\x02";
    Value ole = binary;
    ole.type = Type::LongBinary;
    Value decimal;
    decimal.type = Type::Decimal;
    decimal.decimal.mantissa = 123456789;
    decimal.decimal.scale = 4;
    decimal.decimal.negative = true;
    const std::u16string nonBmp = u"Caff\u00e8 \U0001F600 \U0001D11E \u4e2d";

    const Case cases[] = {
        {"Null", Value{}, "", {}, ""},
        {"True", yes, "boolean", 1, "General"},
        {"False", no, "boolean", 0, "General"},
        {"Byte", integer(Type::Byte, 255), "number", 255, "General"},
        {"Integer", integer(Type::Integer, -32768), "number", -32768, "General"},
        {"LongBig", integer(Type::Long, 2147483647), "number", 2147483647.0, "General"},
        {"LongRkEdge", integer(Type::Long, -(1 << 29)), "number", -(1 << 29), "General"},
        {"Single", num(Type::Single, 0.1f), "number", static_cast<double>(0.1f), "General"},
        {"Double", num(Type::Double, 1e300), "number", 1e300, "General"},
        {"DoubleFrac", num(Type::Double, -123.456), "number", -123.456, "General"},
        {"NaN", num(Type::Double, std::numeric_limits<double>::quiet_NaN()), "text", "NaN",
         "General"},
        {"Decimal", decimal, "number", -12345.6789, "General"},
        {"Currency", integer(Type::Currency, 12345678), "number", 1234.5678, "#,##0.00"},
        {"Date", num(Type::Date, 45000), "date", 45000, "yyyy-mm-dd"},
        {"DateTime", num(Type::Date, 45000.75), "date", 45000.75, "yyyy-mm-dd hh:mm:ss"},
        {"FirstTrueSerial", num(Type::Date, 61), "date", 61, "yyyy-mm-dd"},
        {"Before1900Mar", num(Type::Date, 60.5), "text", "1900-02-28 12:00:00", "General"},
        {"Before1900", num(Type::Date, -1.25), "text", "1899-12-29 06:00:00", "General"},
        {"TimeOfDay", num(Type::Date, 45015 / 86400.0), "date", 45015 / 86400.0, "hh:mm:ss"},
        {"DayZeroMidnight", num(Type::Date, 0), "date", 0, "hh:mm:ss"},
        {"TimeBelowZero", num(Type::Date, -0.5), "date", 0.5, "hh:mm:ss"},
        {"NoJetDay", num(Type::Date, 2958466), "number", 2958466, "General"},
        {"Text", text(u"  Roma, 'quoted' =1+1"), "text", "  Roma, 'quoted' =1+1", "General"},
        {"Empty", text(u""), "text", "", "General"},
        {"NonBmp", text(nonBmp), "text", QString::fromStdU16String(nonBmp), "General"},
        {"Memo", text(u"line1\r\nline2", Type::Memo), "text", "line1\r\nline2", "General"},
        {"Guid", guid, "text", "{12345678-1234-5678-9ABC-DEF001020304}", "General"},
        {"Binary", binary, "", {}, ""},
        {"Ole", ole, "", {}, ""},
    };
    std::vector<Column> columns;
    Row row;
    for (const Case& c : cases) {
        columns.push_back({QString::fromUtf8(c.name).toStdU16String(), c.value.type});
        row.push_back(c.value);
    }
    {
        excel::SheetExport out(path, u"Tipi \u00e0", columns);
        out.addRow(row);
        out.addRow(Row(columns.size()));  // a record of Nulls
        out.addRow(row);
        out.commit();
    }
    QJsonObject doc = readBack(path);
    expectNoProblems(doc);
    ASSERT_EQ(doc["sheets"].toArray().size(), 1);
    QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
    EXPECT_EQ(sheet["name"].toString(), QStringLiteral("Tipi \u00e0"));
    EXPECT_EQ(sheet["nrows"].toInt(), 4);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const int col = static_cast<int>(i);
        QJsonArray header = cellAt(sheet, 0, col);
        ASSERT_FALSE(header.isEmpty());
        EXPECT_EQ(header[2].toString(), "text");
        EXPECT_EQ(header[3].toString(), c.name);
        EXPECT_TRUE(cellAt(sheet, 2, col).isEmpty());
        for (int r : {1, 3}) {
            QJsonArray cell = cellAt(sheet, r, col);
            if (*c.type == '\0') {
                EXPECT_TRUE(cell.isEmpty());
                continue;
            }
            ASSERT_FALSE(cell.isEmpty());
            EXPECT_EQ(cell[2].toString(), c.type);
            if (c.expected.isDouble()) {
                EXPECT_EQ(cell[3].toDouble(), c.expected.toDouble());
            } else {
                EXPECT_EQ(cell[3].toString(), c.expected.toString());
            }
            EXPECT_EQ(cell[4].toString(), c.format);
            EXPECT_EQ(cell[5].toBool(), std::string(c.type) == "date");
        }
    }
}

TEST(SheetExport, LongAndManyStringsSplitAcrossContinueRecords) {
    TempDir dir;
    const std::string path = dir.file("strings.xls");
    std::vector<std::u16string> texts;
    texts.push_back(std::u16string(32767, u'x'));  // the longest a cell holds
    std::u16string wide;
    while (wide.size() + 2 <= 32767) wide += u"\U0001F600";
    wide += u'\u00e8';
    texts.push_back(wide);
    for (int i = 0; i < 400; ++i) {
        std::u16string t(static_cast<std::size_t>(i * 53 % 3000),
                         static_cast<char16_t>(u'a' + i % 26));
        if (i % 2) t += u"\u20ac";
        texts.push_back(t + u"#" + QString::number(i).toStdU16String());
    }
    {
        excel::SheetExport out(path, u"S", {{u"Memo", Type::Memo}, {u"Again", Type::Text}});
        for (const auto& t : texts) out.addRow({text(t, Type::Memo), text(texts[0])});
        out.commit();
    }
    QJsonObject doc = readBack(path);
    expectNoProblems(doc);
    QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
    ASSERT_EQ(sheet["nrows"].toInt(), static_cast<int>(texts.size()) + 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(cellAt(sheet, static_cast<int>(i) + 1, 0)[3].toString(),
                  QString::fromStdU16String(texts[i]))
            << i;
        EXPECT_EQ(cellAt(sheet, static_cast<int>(i) + 1, 1)[3].toString().size(), 32767);
    }
    // Widths follow the longest value, capped.
    QJsonArray widths = sheet["widths"].toArray();
    EXPECT_EQ(widths[0].toInt(), (60 + 2) * 256);
}

TEST(SheetExport, FullSheetIsWrittenAndOneMoreRecordIsRefused) {
    TempDir dir;
    const std::string ok = dir.file("full.xls");
    const std::string over = dir.file("over.xls");
    const std::vector<Column> columns = {{u"N", Type::Long}, {u"T", Type::Text}};
    {
        excel::SheetExport out(ok, u"Full", columns);
        for (int i = 0; i < 65535; ++i) {
            out.addRow({integer(Type::Long, i), text(i % 7 ? u"" : u"seven")});
        }
        out.commit();
    }
    QJsonObject doc = readBack(ok, 3);
    expectNoProblems(doc);
    QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
    EXPECT_EQ(sheet["nrows"].toInt(), 65536);
    EXPECT_EQ(cellAt(sheet, 65535, 0)[3].toDouble(), 65534);
    EXPECT_EQ(cellAt(sheet, 1, 1)[3].toString(), "seven");

    excel::SheetExport out(over, u"Over", columns);
    for (int i = 0; i < 65535; ++i) out.addRow({integer(Type::Long, i), Value{}});
    QString why = expectError(engine::kErrSheetFull, [&] {
        out.addRow({integer(Type::Long, 0), Value{}});
    });
    EXPECT_TRUE(why.contains("65536")) << why.toStdString();
    expectError(engine::kErrSheetFull, [&] { out.commit(); });
    EXPECT_FALSE(fs::exists(over));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"full.xls"});
}

TEST(SheetExport, TooLongTextIsRefusedNamingRecordAndField) {
    TempDir dir;
    const std::string path = dir.file("long.xls");
    excel::SheetExport out(path, u"S", {{u"Id", Type::Long}, {u"Note", Type::Memo}});
    out.addRow({integer(Type::Long, 1), text(u"short", Type::Memo)});
    // Meanwhile nothing is written: the workbook is made whole by commit().
    EXPECT_TRUE(dir.entries().empty());
    QString why = expectError(engine::kErrFieldTooLong, [&] {
        out.addRow({integer(Type::Long, 2), text(std::u16string(40000, u'a'), Type::Memo)});
    });
    EXPECT_TRUE(why.contains("'Note'") && why.contains("record 2") && why.contains("40000"))
        << why.toStdString();
    // The export is spoiled: a later good row or commit reports the same error.
    expectError(engine::kErrFieldTooLong, [&] {
        out.addRow({integer(Type::Long, 3), text(u"ok", Type::Memo)});
    });
    expectError(engine::kErrFieldTooLong, [&] { out.commit(); });
    EXPECT_TRUE(dir.entries().empty());
}

// The format's limits at N - 1, N and N + 1: columns (256), characters in a
// cell (32,767) and in a field name, which becomes a cell of row 1.
TEST(SheetExport, ColumnsAndCellTextAtTheirLimits) {
    TempDir dir;
    struct Case {
        std::size_t columns;
        std::size_t valueChars;
        std::size_t nameChars;
        int error;  // 0: written
    };
    const Case cases[] = {
        {255, 10, 1, 0},
        {256, 10, 1, 0},
        {257, 10, 1, engine::kErrSheetFull},
        {1, 32766, 1, 0},
        {1, 32767, 1, 0},
        {1, 32768, 1, engine::kErrFieldTooLong},
        {1, 10, 32767, 0},
        {1, 10, 32768, engine::kErrFieldTooLong},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << " columns, " << c.valueChars
                                        << " characters, names of " << c.nameChars);
        const std::string path = dir.file((std::to_string(n++) + ".xls").c_str());
        const std::vector<Column> columns(c.columns,
                                          Column{std::u16string(c.nameChars, u'c'), Type::Memo});
        const Row row(c.columns, text(std::u16string(c.valueChars, u'\u00e8'), Type::Memo));
        auto write = [&] {
            excel::SheetExport out(path, u"S", columns);
            out.addRow(row);
            out.commit();
        };
        if (c.error != 0) {
            expectError(c.error, write);
            EXPECT_FALSE(fs::exists(path));
            continue;
        }
        write();
        QJsonObject doc = readBack(path);
        expectNoProblems(doc);
        QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
        EXPECT_EQ(sheet["ncols"].toInt(), static_cast<int>(c.columns));
        EXPECT_EQ(sheet["nrows"].toInt(), 2);
        const int last = static_cast<int>(c.columns) - 1;
        EXPECT_EQ(cellAt(sheet, 0, last)[3].toString().size(), static_cast<int>(c.nameChars));
        EXPECT_EQ(cellAt(sheet, 1, last)[3].toString().size(), static_cast<int>(c.valueChars));
    }
    EXPECT_EQ(dir.entries().size(), 5u);  // no temporary file left by the refusals
}

TEST(SheetExport, SheetNameRules) {
    TempDir dir;
    struct Case {
        std::u16string name;
        bool valid;
    };
    const Case cases[] = {
        {u"Foglio1", true},
        {std::u16string(31, u'n'), true},
        {u"n", true},
        {u"nn", true},
        {std::u16string(30, u'n'), true},
        {u"l'anno", true},
        {u"Citt\u00e0 \U0001F600", true},
        {u"", false},
        {std::u16string(32, u'n'), false},
        {u"a:b", false},
        {u"a\\b", false},
        {u"a/b", false},
        {u"a?b", false},
        {u"a*b", false},
        {u"a[b", false},
        {u"a]b", false},
        {u"'ab", false},
        {u"ab'", false},
        {u"a\tb", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromStdU16String(c.name).toStdString());
        std::string name = std::to_string(n++);
        name += ".xls";
        const std::string path = dir.file(name.c_str());
        if (c.valid) {
            excel::SheetExport out(path, c.name, {{u"A", Type::Text}});
            out.commit();
            QJsonObject doc = readBack(path);
            EXPECT_EQ(doc["sheets"].toArray()[0].toObject()["name"].toString(),
                      QString::fromStdU16String(c.name));
        } else {
            expectError(engine::kErrInvalidName, [&] {
                excel::SheetExport(path, c.name, {{u"A", Type::Text}});
            });
            EXPECT_FALSE(fs::exists(path));
        }
    }
}

TEST(SheetExport, ExistingFileIsNeverReplacedByANewWorkbook) {
    TempDir dir;
    const std::string path = dir.file("there.xls");
    { std::ofstream(path) << "precious"; }
    expectError(engine::kErrNotExpectedFormat, [&] { excel::SheetExport(path, u"S", {{u"A"}}); });

    // A file that appears between the checks and commit() is not replaced either.
    const std::string later = dir.file("later.xls");
    excel::SheetExport out(later, u"S", {{u"A"}});
    out.addRow({text(u"x")});
    { std::ofstream(later) << "appeared"; }
    expectError(engine::kErrCreateFailed, [&] { out.commit(); });

    std::ifstream a(path), b(later);
    std::string sa, sb;
    std::getline(a, sa);
    std::getline(b, sb);
    EXPECT_EQ(sa, "precious");
    EXPECT_EQ(sb, "appeared");
    auto names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"later.xls", "there.xls"}));  // no temp left
}

TEST(SheetExport, BadPathsAndLimitsFailBeforeWriting) {
    TempDir dir;
    expectError(engine::kErrInvalidPath, [] { excel::SheetExport("", u"S", {{u"A"}}); });
    expectError(engine::kErrInvalidPath,
                [&] { excel::SheetExport(dir.file("no/such/folder.xls"), u"S", {{u"A"}}); });
    expectError(engine::kErrInvalidPath,
                [&] { excel::SheetExport(dir.file("x.xls") + "/", u"S", {{u"A"}}); });
    std::vector<Column> wide(257, Column{u"C", Type::Long});
    QString why = expectError(engine::kErrSheetFull,
                              [&] { excel::SheetExport(dir.file("w.xls"), u"S", wide); });
    EXPECT_TRUE(why.contains("256"));
    EXPECT_TRUE(dir.entries().empty());

    // 256 columns fit; their widths all differ from their neighbours', which
    // needs more than the 255 ColInfo records a sheet may hold: joined ones take
    // the wider width.
    wide.pop_back();
    Row values;
    for (int c = 0; c < 256; ++c)
        values.push_back(text(std::u16string(8 + c % 2 * (1 + c % 50), u'w')));
    {
        excel::SheetExport out(dir.file("w.xls"), u"S", wide);
        out.addRow(values);
        out.commit();
    }
    QJsonObject doc = readBack(dir.file("w.xls"));
    expectNoProblems(doc);
    QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
    EXPECT_EQ(sheet["ncols"].toInt(), 256);
    EXPECT_EQ(cellAt(sheet, 1, 255)[3].toString().size(),
              static_cast<int>(values[255].text.size()));
    QJsonArray widths = sheet["widths"].toArray();
    for (int c = 0; c < 256; ++c) {
        EXPECT_GE(widths[c].toInt(), static_cast<int>(values[c].text.size() + 2) * 256) << c;
    }
}

TEST(SheetExport, ReadOnlyFolderIsRefused) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    expectError(engine::kErrCannotOpen,
                [&] { excel::SheetExport(dir.file("a.xls"), u"S", {{u"A"}}); });
}

TEST(SheetExport, LongestFileNameWorks) {
    TempDir dir;
    const std::string name = std::string(251, 'n') + ".xls";  // 255 bytes, the usual limit
    {
        excel::SheetExport out(dir.file(name.c_str()), u"S", {{u"A"}});
        out.addRow({text(u"x")});
        out.commit();
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{name});
}

TEST(SheetExport, NothingWithoutCommit) {
    TempDir dir;
    {
        excel::SheetExport out(dir.file("a.xls"), u"S", {{u"A"}});
        out.addRow({text(u"x")});
    }
    EXPECT_TRUE(dir.entries().empty());
}

// A full disk, simulated by a file size limit (EFBIG, like ENOSPC): the error says
// so and the temporary file is gone. Runs in a child process because of the limit.
TEST(SheetExportDeathTest, FullDiskRemovesTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("big.xls");
    auto run = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int code = 1;
        try {
            excel::SheetExport out(path, u"S", {{u"T", Type::Text}});
            for (int i = 0; i < 5000; ++i) {
                out.addRow({text(u"row " + QString::number(i).toStdU16String())});
            }
            out.commit();
        } catch (const converti::Error& e) {
            code = e.number() == engine::kErrDiskFull ? 0 : 2;
        }
        std::_Exit(dir.entries().empty() ? code : 3);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
