// jetsql on the Access 2007-2019 databases made by Access: every user table of
// every file exported into a workbook, read back by xlrd and compared cell by cell
// with the table as mdb-reader reads it (compare_ace_xls.py); filters on the new
// types; a password-protected file refused with nothing written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "support.h"

namespace {

namespace fs = std::filesystem;
using support::run;

fs::path aceFolder() { return fs::path(support::fixture("accdb")); }

bool haveMdbReader() {
    return fs::is_directory(support::source("tests/node/node_modules/mdb-reader")) &&
           run("/bin/sh", {"-c", "command -v node"}).status == 0;
}

std::string exportInto(const std::string& xls, const std::string& table) {
    return "SELECT * INTO [Excel 8.0;DATABASE=" + xls + "].[" + table + "] FROM [" + table + "]";
}

TEST(AceExport, EveryUserTableMatchesMdbReaderCellByCell) {
    if (!fs::is_directory(aceFolder())) GTEST_SKIP() << "ACE fixtures not present";
    if (!haveMdbReader()) GTEST_SKIP() << "node with mdb-reader not installed";
    support::TempDir dir;
    int files = 0, tables = 0;
    for (const auto& entry : fs::directory_iterator(aceFolder())) {
        if (entry.path().extension() != ".accdb") continue;
        const std::string db = entry.path().string();
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const support::Run dump =
            run("node", {support::source("tests/node/ace_dump.mjs"), db});
        if (dump.status != 0) {
            // mdb-reader opens every file here but the password-protected one.
            EXPECT_NE(name.find("with-password"), std::string::npos) << dump.err;
            continue;
        }
        const std::string json = dir.file(name + ".json");
        std::ofstream(json) << dump.out;
        const std::string xls = dir.file(name + ".xls");
        const nlohmann::json parsed = nlohmann::json::parse(dump.out);
        for (const auto& table : parsed["userTables"]) {
            const std::string t = table.get<std::string>();
            const support::Run exported = run(support::bin("jetsql"), {db, exportInto(xls, t)});
            ASSERT_EQ(exported.status, 0) << t << ": " << exported.err;
            const support::Run compared =
                support::python("tests/e2e/compare_ace_xls.py", {json, t, xls, t});
            EXPECT_EQ(compared.status, 0) << t << ":\n" << compared.out << compared.err;
            std::cout << name << "/" << t << ": " << compared.out;
            ++tables;
        }
        ++files;
    }
    EXPECT_EQ(files, 13);
    EXPECT_EQ(tables, 19);
}

TEST(AceExport, PasswordProtectedFileIsRefusedAndNothingWritten) {
    const fs::path db = aceFolder() / "V2010_with-password.accdb";
    if (!fs::exists(db)) GTEST_SKIP() << "ACE fixtures not present";
    support::TempDir dir;
    const std::string xls = dir.file("never.xls");
    for (const std::string& statement :
         {exportInto(xls, "Table1"), std::string("SELECT * FROM Table1")}) {
        const support::Run r = run(support::bin("jetsql"), {db.string(), statement});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("Error 3031: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("Office agile encryption"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// The new types in WHERE clauses and CSV, on the files Access made.
TEST(AceExport, FiltersAndCsvOnTheNewTypes) {
    if (!fs::is_directory(aceFolder())) GTEST_SKIP() << "ACE fixtures not present";
    struct Case {
        const char* file;
        const char* statement;
        const char* csv;
    };
    const Case cases[] = {
        {"extDateTestV2019.accdb", "SELECT ID FROM Table1 WHERE DateExt LIKE '*.3456789'",
         "ID\r\n6\r\n"},
        {"extDateTestV2019.accdb",
         "SELECT ID FROM Table1 WHERE DateExt > #2021-06-14 22:45:12# AND DateExt < #2021-06-14 "
         "22:45:13#",
         "ID\r\n6\r\n"},
        {"extDateTestV2019.accdb", "SELECT ID FROM Table1 WHERE DateExt = #2021-06-14 12:45#",
         "ID\r\n3\r\n"},
        // DateNormal holds its time to the millisecond, as a Date/Time does.
        {"extDateTestV2019.accdb", "SELECT ID FROM Table1 WHERE DateExt = DateNormal",
         "ID\r\n1\r\n2\r\n3\r\n4\r\n7\r\n9\r\n"},
        {"extDateTestV2019.accdb", "SELECT ID FROM Table1 WHERE DateExt = #6/14/2021 1:45 AM#",
         "ID\r\n4\r\n"},
        {"extDateTestV2019.accdb", "SELECT ID FROM Table1 WHERE DateExt IS NULL", "ID\r\n5\r\n"},
        {"extDateTestV2019.accdb", "SELECT DateExt, DateNormal FROM Table1 WHERE ID = 8",
         "DateExt,DateNormal\r\n0100-06-14 12:45:00.1234567,0100-06-14 12:45:00\r\n"},
        {"bigintV2016.accdb", "SELECT * FROM [Table] WHERE Numeric = 42", "ID,Numeric\r\n1,42\r\n"},
        {"bigintV2016.accdb", "SELECT * FROM [Table] WHERE Numeric > 9223372036854775806",
         "ID,Numeric\r\n"},
        {"complexDataTestV2010.accdb",
         "SELECT id, [multi-value-data] FROM Table1 WHERE [multi-value-data] LIKE '*value4*'",
         "id,multi-value-data\r\nrow2,value1; value4\r\nrow3,value1; value2; value3; value4\r\n"},
        {"complexDataTestV2010.accdb", "SELECT id FROM Table1 WHERE [attach-data] IS NULL",
         "id\r\nrow1\r\nrow3\r\n"},
        {"calcFieldTestV2010.accdb", "SELECT ID, LastFirst FROM Table1 WHERE IsRich",
         "ID,LastFirst\r\n1,\"Wayne, Bruce\"\r\n"},
        {"calcFieldTestV2010.accdb", "SELECT ID FROM Table1 WHERE WeeklySalary < 0", "ID\r\n2\r\n"},
    };
    for (const Case& c : cases) {
        const support::Run r = run(support::bin("jetsql"), {(aceFolder() / c.file).string(), c.statement});
        EXPECT_EQ(r.status, 0) << c.statement << ": " << r.err;
        EXPECT_EQ(r.out, c.csv) << c.statement;
    }
}

}  // namespace
