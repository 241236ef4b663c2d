// A worksheet added to an existing workbook: everything of the original read back
// the same by xlrd and olefile (compare_added.py), the new sheet's rows right,
// and every refusal leaving the file byte for byte as it was.

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/error_codes.h"
#include "excel/excel.h"
#include "support.h"

namespace fs = std::filesystem;
using engine::Column;
using engine::Row;
using engine::Type;
using engine::Value;

namespace {

using support::TempDir;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}


QJsonObject compareAdded(const std::string& original, const std::string& result,
                         const char* sheet) {
    const support::Run r = support::python("tests/engine/excel/compare_added.py", {original, result, sheet});
    EXPECT_EQ(r.status, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

using support::expectError;

const std::vector<Column> kColumns = {
    {u"Nome"}, {u"Importo", Type::Currency}, {u"Data", Type::Date}, {u"Quantit\u00E0", Type::Long}};

Row row(std::u16string name, std::int64_t cents, double date, std::int64_t count) {
    Row r(4);
    r[0].type = Type::Text;
    r[0].text = std::move(name);
    r[1].type = Type::Currency;
    r[1].integer = cents * 100;  // Currency counts 1/10000
    r[2].type = Type::Date;
    r[2].number = date;
    r[3].type = Type::Long;
    r[3].integer = count;
    return r;
}

void exportRows(const std::string& path, const char16_t* sheet, int rows) {
    excel::SheetExport out(path, sheet, kColumns);
    for (int i = 0; i < rows; ++i) {
        out.addRow(row(u"Cliente \u0151 " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)),
                       12345 + i, 45000 + i, i));
    }
    out.commit();
}

// The new sheet as compare_added.py lists it: header, then the rows exportRows wrote.
void expectNewSheet(const QJsonObject& sheet, int rows) {
    EXPECT_EQ(sheet["nrows"].toInt(), rows + 1);
    EXPECT_EQ(sheet["ncols"].toInt(), 4);
    const QJsonArray cells = sheet["cells"].toArray();
    ASSERT_EQ(cells.size(), 4 * (rows + 1));
    EXPECT_EQ(cells[3].toArray()[3].toString(), QStringLiteral("Quantit\u00E0"));
    const QJsonArray name = cells[4].toArray(), amount = cells[5].toArray(),
                     date = cells[6].toArray(), count = cells[7].toArray();
    EXPECT_EQ(name[3].toString(), QStringLiteral("Cliente \u0151 A"));
    EXPECT_EQ(amount[3].toDouble(), 123.45);
    EXPECT_EQ(amount[4].toString(), "#,##0.00");
    EXPECT_EQ(date[2].toString(), "date");
    EXPECT_EQ(date[3].toDouble(), 45000);
    EXPECT_EQ(date[4].toString(), "yyyy-mm-dd");
    EXPECT_EQ(count[3].toDouble(), 0);
}

void expectSameWorkbook(const QJsonObject& report) {
    EXPECT_TRUE(report["differences"].toArray().isEmpty())
        << QJsonDocument(report["differences"].toArray()).toJson().toStdString();
    EXPECT_TRUE(report["problems"].toArray().isEmpty())
        << QJsonDocument(report["problems"].toArray()).toJson().toStdString();
}

TEST(AddSheet, EveryRealWorkbookKeepsItsContentAndGainsTheSheet) {
    const fs::path fixtures = support::fixture("xls");
    if (!fs::is_directory(fixtures)) GTEST_SKIP() << "no fixtures at " << fixtures;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(fixtures)) {
        if (entry.path().extension() != ".xls") continue;
        SCOPED_TRACE(entry.path().filename().string());
        TempDir dir;
        const std::string path = dir.file("book.xls");
        fs::copy_file(entry.path(), path);
        // Many rows, so the new sheet has several row blocks and the string
        // table runs into CONTINUE records.
        exportRows(path, u"Nuovo foglio", 700);
        QJsonObject report = compareAdded(entry.path().string(), path, "Nuovo foglio");
        expectSameWorkbook(report);
        expectNewSheet(report["new_sheet"].toObject(), 700);
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

TEST(AddSheet, OwnWorkbookTakesSecondSheetAndRefusesATakenName) {
    TempDir dir;
    const std::string path = dir.file("own.xls");
    const std::string first = dir.file("first.xls");
    exportRows(path, u"Uno", 40);
    fs::copy_file(path, first);
    exportRows(path, u"Due", 3000);
    QJsonObject report = compareAdded(first, path, "Due");
    expectSameWorkbook(report);
    expectNewSheet(report["new_sheet"].toObject(), 3000);

    // Names compare regardless of case, also beyond ASCII; the file stays as it was.
    const std::string before = bytesOf(path);
    for (const char16_t* taken : {u"Due", u"DUE", u"uno"}) {
        QString why = expectError(engine::kErrTableExists, [&] { exportRows(path, taken, 1); });
        EXPECT_EQ(
            why,
            QStringLiteral("Table '%1' already exists.").arg(QString::fromStdU16String(taken)));
    }
    exportRows(path, u"\u00C9t\u00E9", 1);
    const std::string withThird = bytesOf(path);
    expectError(engine::kErrTableExists, [&] { exportRows(path, u"\u00E9T\u00C9", 1); });
    EXPECT_EQ(bytesOf(path), withThird);
    EXPECT_NE(before, withThird);
    EXPECT_EQ(dir.entries().size(), 2u);  // no temporary file left
}

// Replaces the first occurrence of `from` in `bytes` (which must hold it).
std::string patched(std::string bytes, const std::string& from, const std::string& to) {
    auto at = bytes.find(from);
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) bytes.replace(at, from.size(), to);
    return bytes;
}

TEST(AddSheet, WhatIsNoExcel97WorkbookIsRefusedUntouched) {
    TempDir dir;
    const std::string own = dir.file("own.xls");
    exportRows(own, u"Uno", 200);
    const std::string good = bytesOf(own);
    const std::string bof("\x09\x08\x10\x00\x00\x06\x05\x00", 8);
    const std::string workbookName("W\0o\0r\0k\0b\0o\0o\0k\0", 16);
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"empty", "", "empty"},
        {"text", "Nome;Importo\nRossi;12\n", "not an Excel 97-2003"},
        {"xlsx", std::string("PK\x03\x04\x14\x00\x06\x00", 8) + std::string(200, '\0'),
         "not an Excel 97-2003"},
        {"cut compound file", good.substr(0, 700), "damaged"},
        {"garbage after the header", good.substr(0, 512) + std::string(4096, '\x5A'), "damaged"},
        {"BIFF5 stream", patched(good, bof, std::string("\x09\x08\x10\x00\x00\x05\x05\x00", 8)),
         "BIFF8"},
        // InterfaceHdr turned into FilePass: an encrypted workbook.
        {"encrypted",
         patched(good, std::string("\xE1\x00\x02\x00\xB0\x04", 6),
                 std::string("\x2F\x00\x02\x00\xB0\x04", 6)),
         "encrypted"},
        {"Excel 95 Book stream",
         patched(
             good, workbookName + std::string(48, '\0') + std::string("\x12\x00", 2),
             std::string("B\0o\0o\0k\0", 8) + std::string(56, '\0') + std::string("\x0A\x00", 2)),
         "Excel 5.0/95"},
        // A sheet offset pointing nowhere.
        {"sheet offset",
         patched(good,
                 std::string("\x85\x00\x0B\x00", 4) +
                     good.substr(good.find(std::string("\x85\x00\x0B\x00", 4)) + 4, 2),
                 std::string("\x85\x00\x0B\x00", 4) + std::string("\x01\x00", 2)),
         "not where"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case.xls");
        writeBytes(path, c.bytes);
        QString why =
            expectError(engine::kErrNotExpectedFormat, [&] { exportRows(path, u"Due", 5); });
        EXPECT_TRUE(why.startsWith("External table is not in the expected format."))
            << why.toStdString();
        EXPECT_TRUE(why.contains(QString::fromStdString(path))) << why.toStdString();
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.says))) << why.toStdString();
        EXPECT_EQ(bytesOf(path), c.bytes);
    }
    EXPECT_EQ(dir.entries().size(), 2u);
}

// The Workbook stream of a compound file, read with libgsf.
std::string workbookStream(const std::string& path) {
    GsfInput* file = gsf_input_stdio_new(path.c_str(), nullptr);
    GsfInfile* ole = file ? gsf_infile_msole_new(file, nullptr) : nullptr;
    GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    std::string bytes;
    if (stream) {
        bytes.resize(static_cast<std::size_t>(gsf_input_size(stream)));
        gsf_input_read(stream, bytes.size(), reinterpret_cast<guint8*>(bytes.data()));
        g_object_unref(stream);
    }
    if (ole) g_object_unref(ole);
    if (file) g_object_unref(file);
    return bytes;
}

void put(GsfOutfile* dir, const char* name, const std::string& bytes) {
    GsfOutput* out = gsf_outfile_new_child(dir, name, FALSE);
    ASSERT_NE(out, nullptr);
    gsf_output_write(out, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
    gsf_output_close(out);
    g_object_unref(out);
}

TEST(AddSheet, StoragesStreamsAndClassesOfTheContainerAreKept) {
    // A workbook as a macro-enabled one is laid out: a VBA project storage with
    // its own class, nested storages, small and large streams.
    TempDir dir;
    const std::string own = dir.file("own.xls");
    exportRows(own, u"Uno", 30);
    const std::string stream = workbookStream(own);
    ASSERT_FALSE(stream.empty());
    const std::string path = dir.file("macros.xls");
    {
        GsfOutput* file = gsf_output_stdio_new(path.c_str(), nullptr);
        ASSERT_NE(file, nullptr);
        GsfOutfile* ole = gsf_outfile_msole_new(file);
        const guint8 rootClass[16] = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0,
                                      0xC0, 0,    0,    0, 0, 0, 0, 0x46};
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole), rootClass);
        put(ole, "Workbook", stream);
        put(ole, "\001CompObj", std::string(90, '\x11'));
        GsfOutfile* project = GSF_OUTFILE(gsf_outfile_new_child(ole, "_VBA_PROJECT_CUR", TRUE));
        const guint8 projectClass[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(project), projectClass);
        put(project, "PROJECT", "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\n");
        GsfOutfile* vba = GSF_OUTFILE(gsf_outfile_new_child(project, "VBA", TRUE));
        std::string big(9000, '\0');
        for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
        put(vba, "dir", big);
        put(vba, "ThisWorkbook", "Attribute VB_Name = \"ThisWorkbook\"");
        GsfOutput* empty = gsf_outfile_new_child(vba, "Empty", TRUE);
        gsf_output_close(empty);
        g_object_unref(empty);
        gsf_output_close(GSF_OUTPUT(vba));
        g_object_unref(vba);
        gsf_output_close(GSF_OUTPUT(project));
        g_object_unref(project);
        gsf_output_close(GSF_OUTPUT(ole));
        g_object_unref(ole);
        gsf_output_close(file);
        g_object_unref(file);
    }
    const std::string original = dir.file("original.xls");
    fs::copy_file(path, original);
    exportRows(path, u"Due", 50);
    QJsonObject report = compareAdded(original, path, "Due");
    expectSameWorkbook(report);
    expectNewSheet(report["new_sheet"].toObject(), 50);
}

TEST(AddSheet, ReplacementKeepsPermissionsAndRespectsThem) {
    TempDir dir;
    const std::string path = dir.file("perm.xls");
    exportRows(path, u"Uno", 5);
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    exportRows(path, u"Due", 5);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);

    if (::geteuid() != 0) {  // root may write a read-only file
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        const std::string before = bytesOf(path);
        expectError(engine::kErrCannotOpen, [&] { exportRows(path, u"Tre", 5); });
        EXPECT_EQ(bytesOf(path), before);
    }
}

TEST(AddSheet, RowsMeetTheLimitsOfANewWorkbook) {
    TempDir dir;
    const std::string path = dir.file("limits.xls");
    exportRows(path, u"Uno", 5);
    const std::string before = bytesOf(path);
    {
        excel::SheetExport out(path, u"Due", kColumns);
        Row tooLong = row(u"", 1, 45000, 1);
        tooLong[0].text.assign(32768, u'x');
        expectError(engine::kErrFieldTooLong, [&] { out.addRow(tooLong); });
        expectError(engine::kErrFieldTooLong, [&] { out.commit(); });
    }
    {
        excel::SheetExport out(path, u"Due", {{u"A"}});
        Row one(1);
        one[0].type = Type::Long;
        for (int i = 0; i < 65535; ++i) out.addRow(one);
        expectError(engine::kErrSheetFull, [&] { out.addRow(one); });
        expectError(engine::kErrSheetFull, [&] { out.commit(); });
    }
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(AddSheet, LinkStaysALinkToTheWorkbook) {
    TempDir dir;
    const std::string target = dir.file("target.xls");
    const std::string link = dir.file("link.xls");
    exportRows(target, u"Uno", 5);
    const std::string original = dir.file("original.xls");
    fs::copy_file(target, original);
    fs::create_symlink(target, link);
    exportRows(link, u"Due", 5);
    EXPECT_TRUE(fs::is_symlink(link));
    expectSameWorkbook(compareAdded(original, target, "Due"));
    EXPECT_EQ(dir.entries().size(), 3u);
}

TEST(AddSheet, WorkbookChangedMeanwhileIsNotOverwritten) {
    TempDir dir;
    const std::string path = dir.file("busy.xls");
    exportRows(path, u"Uno", 5);
    excel::SheetExport out(path, u"Due", kColumns);
    out.addRow(row(u"x", 1, 45000, 1));
    // Another program saves the workbook while the rows are copied.
    std::string other = bytesOf(path);
    other.back() ^= 1;
    writeBytes(path, other);
    expectError(engine::kErrCreateFailed, [&] { out.commit(); });
    EXPECT_EQ(bytesOf(path), other);
    EXPECT_EQ(dir.entries().size(), 1u);
}

}  // namespace
