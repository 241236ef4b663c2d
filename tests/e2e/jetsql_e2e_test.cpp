// jetsql end to end: databases in, workbooks out, every workbook read back by
// xlrd and compared cell by cell with the source as mdbtools reads it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e_support.h"
#include "mkmdb.h"

namespace {

using e2e::run;

std::string exportStatement(const std::string& xls, const std::string& sheet,
                            const std::string& table, const std::string& field,
                            const std::string& pattern) {
    return "SELECT * INTO [Excel 8.0;DATABASE=" + xls + "].[" + sheet + "] FROM [" + table +
           "]WHERE [" + table + "." + field + "]like '" + pattern + "';";
}

// Every field type, Null in each nullable one, text in both stored forms and
// beyond the BMP, long values inline, on one page and chained, dates before 1900.
void writeEveryTypeDatabase(const std::string& path) {
    using mkmdb::Type;
    mkmdb::Database db;
    auto& t = db.addTable("Tipi", {{"ID", Type::Long, {.autoNumber = true}},
                                   {"Flag", Type::Boolean, {}},
                                   {"Piccolo", Type::Byte, {}},
                                   {"Intero", Type::Integer, {}},
                                   {"Lungo", Type::Long, {}},
                                   {"Prezzo", Type::Currency, {}},
                                   {"Singolo", Type::Single, {}},
                                   {"Doppio", Type::Double, {}},
                                   {"Quando", Type::Date, {}},
                                   {"Dati", Type::Binary, {.size = 16}},
                                   {"Nome", Type::Text, {.size = 100}},
                                   {"Nome16", Type::Text, {.size = 100, .compressed = false}},
                                   {"Oggetto", Type::LongBinary, {}},
                                   {"Nota", Type::Memo, {}},
                                   {"Codice", Type::Guid, {}},
                                   {"Importo", Type::Decimal, {.precision = 18, .scale = 4}}});
    t.addRow({mkmdb::Null{}, true, 255, -32768, 2147483647, mkmdb::Currency{-123456789},
              0.1, 1.0 / 3.0, "2024-02-29 13:45:10", mkmdb::Bytes{"\x01\x02"}, "Città di Roma",
              u"Ω ✓ \U0001F600", mkmdb::Bytes{std::string(5000, 'x')}, "breve",
              "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "-12345.6789"});
    t.addRow({mkmdb::Null{}, false, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{},
              mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}, "", "", mkmdb::Null{},
              mkmdb::Null{}, mkmdb::Null{}, mkmdb::Null{}});
    t.addRow({mkmdb::Null{}, true, 0, 0, 0, mkmdb::Currency{0}, -1.5e-7, 1e300, "1850-06-01",
              mkmdb::Null{}, "àèìòù ÀÈÌÒÙ", u"\u4E2D\u6587", mkmdb::Null{},
              std::string(3000, 'm'), mkmdb::Null{}, "0"});
    t.addRow({mkmdb::Null{}, false, 7, 7, 7, mkmdb::Currency{10000}, 7.0f, 7.0, "1899-12-30 06:00:00",
              mkmdb::Null{}, "x", "y", mkmdb::Null{}, std::string(30000, 'L'), mkmdb::Null{},
              "99999999999999.9999"});
    mkmdb::write(db, path);
}

TEST(JetsqlExport, EveryTypeMatchesTheSourceCellByCell) {
    e2e::TempDir dir;
    const std::string db = dir / "tipi.mdb";
    writeEveryTypeDatabase(db);
    const std::string xls = dir / "tipi.xls";
    auto r = run(e2e::bin("jetsql"), {db, exportStatement(xls, "WorkSheet1", "Tipi", "ID", "**")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string report;
    EXPECT_TRUE(e2e::workbookMatchesTable(db, "Tipi", xls, "WorkSheet1", "ID", &report)) << report;

    // What mdbtools cannot tell: dates before 1899-12-30, a time of day alone (a
    // date cell below 1), an empty text apart from Null (row 3: Piccolo Null,
    // Nome ''), text beyond the BMP.
    auto dump = run(CONVERTI_PYTHON,
                    {"-c",
                     "import sys, xlrd; s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0);"
                     "print([(s.cell(r, c).ctype, s.cell(r, c).value) for r, c in "
                     "((3, 8), (4, 8), (2, 2), (2, 10), (1, 11))])",
                     xls});
    EXPECT_EQ(dump.out, "[(1, '1850-06-01'), (3, 0.25), (0, ''), (1, ''), "
                        "(1, 'Ω ✓ \U0001f600')]\n") << dump.err;
}

TEST(JetsqlExport, ATextTooLongForACellFailsAndWritesNothing) {
    using mkmdb::Type;
    e2e::TempDir dir;
    const std::string db = dir / "lungo.mdb";
    mkmdb::Database model;
    auto& t = model.addTable("Note", {{"ID", Type::Long, {}}, {"Nota", Type::Memo, {}}});
    t.addRow({1, "corta"});
    t.addRow({2, std::string(32768, 'z')});
    mkmdb::write(model, db);
    const std::string xls = dir / "note.xls";
    auto r = run(e2e::bin("jetsql"), {db, exportStatement(xls, "WorkSheet1", "Note", "ID", "**")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("Error 3163:", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Nota"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(xls));
}

TEST(JetsqlExport, EveryTableOfTheRealDatabases) {
    const auto databases = e2e::realDatabases();
    if (databases.empty()) GTEST_SKIP() << "no real databases in " << CONVERTI_FIXTURES;
    e2e::TempDir dir;
    int compared = 0;
    for (const auto& path : databases) {
        const std::string db = path.string();
        auto tables = run("mdb-tables", {"-1", db});
        std::istringstream names(tables.out);
        for (std::string table; std::getline(names, table);) {
            if (table.empty()) continue;
            SCOPED_TRACE(path.filename().string() + " [" + table + "]");
            auto header = run("mdb-export", {db, table});
            std::string first = header.out.substr(0, header.out.find_first_of(",\n"));
            if (!first.empty() && first.front() == '"') first = first.substr(1, first.size() - 2);
            const std::string xls = dir / ("t" + std::to_string(compared) + ".xls");
            auto r = run(e2e::bin("jetsql"), {db, exportStatement(xls, "WorkSheet1", table, first, "**")});
            if (path.filename().string().find("with-password") != std::string::npos) {
                EXPECT_EQ(r.exitCode, 1);
                EXPECT_NE(r.err.find("Error 3031: Not a valid password."), std::string::npos) << r.err;
                EXPECT_FALSE(std::filesystem::exists(xls));
                continue;
            }
            ASSERT_EQ(r.exitCode, 0) << r.err;
            std::string report;
            EXPECT_TRUE(e2e::workbookMatchesTable(db, table, xls, "WorkSheet1", first, &report))
                << report;
            ++compared;
        }
    }
    EXPECT_GE(compared, 20);
}

// The command line itself: help and version on standard output with status 0; any
// call that is not DATABASE STATEMENT prints the usage on standard error with status 2
// and touches no database.
TEST(JetsqlCommandLine, HelpVersionAndWrongCalls) {
    const std::string statement = "SELECT * FROM Clienti";
    // The program's name, whatever path started it.
    const std::string usage = "Usage: jetsql [options] DATABASE STATEMENT\n";
    const std::string version = "jetsql (Converti) " CONVERTI_VERSION "\n";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string outStart;  // what standard output begins with
        std::string errStart;  // what standard error begins with
    } cases[] = {
        {{"--help"}, 0, usage, ""},
        {{"-h"}, 0, usage, ""},
        {{"--help", "db.mdb", statement}, 0, usage, ""},
        {{"--version"}, 0, version, ""},
        {{"-v"}, 0, version, ""},
        {{}, 2, "", usage},
        {{"db.mdb"}, 2, "", usage},
        {{"db.mdb", statement, "extra"}, 2, "", usage},
        {{"--bogus", "db.mdb", statement}, 2, "", "jetsql: Unknown option 'bogus'.\n" + usage},
        // After "--" a name that looks like an option is the database.
        {{"--", "--help", statement}, 1, "", "Error 3024:"},
    };
    for (const auto& c : cases) {
        std::string call;
        for (const auto& a : c.args) call += " " + a;
        SCOPED_TRACE("jetsql" + call);
        auto r = run(e2e::bin("jetsql"), c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart);
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart);
        if (c.outStart.empty()) {
            EXPECT_EQ(r.out, "");
        }
        if (c.errStart.empty()) {
            EXPECT_EQ(r.err, "");
        }
    }
    // The help names both arguments and the exit status.
    auto help = run(e2e::bin("jetsql"), {"--help"});
    for (const char* part : {"DATABASE", "STATEMENT", "Exit status", "--version"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
}

class JetsqlOnClienti : public ::testing::Test {
protected:
    void SetUp() override {
        using mkmdb::Type;
        mkmdb::Database db;
        auto& t = db.addTable("Clienti", {{"ID", Type::Long, {}},
                                          {"Nome", Type::Text, {}},
                                          {"Citta", Type::Text, {}},
                                          {"Saldo", Type::Currency, {}}});
        t.addRow({1, "Rossi", "Roma", mkmdb::Currency{15000}});
        t.addRow({2, "Bianchi", "Milano", mkmdb::Currency{-25}});
        t.addRow({3, "Verdi", "ROMA", mkmdb::Null{}});
        t.addRow({4, "D'Amico", mkmdb::Null{}, mkmdb::Currency{0}});
        t.addRow({5, "Esposito", "Roma Nord", mkmdb::Currency{1}});
        db.addTable("Vuota", {{"ID", Type::Long, {}}});
        mkmdb::write(db, path_);
    }
    e2e::TempDir dir_;
    std::string path_ = dir_ / "clienti.mdb";
};

TEST_F(JetsqlOnClienti, SelectPrintsTheMatchingRowsAsCsv) {
    const struct {
        const char* statement;
        const char* csv;
    } cases[] = {
        {"SELECT * FROM [Clienti]WHERE [Clienti.Citta]like 'roma';",
         "ID,Nome,Citta,Saldo\r\n1,Rossi,Roma,1.5\r\n3,Verdi,ROMA,\r\n"},
        {"SELECT * FROM [Clienti]WHERE [Clienti.Citta]like '*Rom*';",
         "ID,Nome,Citta,Saldo\r\n1,Rossi,Roma,1.5\r\n3,Verdi,ROMA,\r\n5,Esposito,Roma Nord,0.0001\r\n"},
        {"SELECT Nome, ID FROM Clienti WHERE Nome like '*''*'",
         "Nome,ID\r\nD'Amico,4\r\n"},
        {"select [Clienti].[Nome] from [Clienti] where ID > 3 and not Citta is null",
         "Nome\r\nEsposito\r\n"},
        {"SELECT * FROM [Vuota]", "ID\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        auto r = run(e2e::bin("jetsql"), {path_, c.statement});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.csv);
    }
}

TEST_F(JetsqlOnClienti, ErrorsAreReportedAndWriteNothing) {
    const std::string xls = dir_ / "out.xls";
    const struct {
        std::string statement;
        const char* error;
    } cases[] = {
        {exportStatement(xls, "S", "Fornitori", "ID", "**"), "Error 3078:"},
        {exportStatement(xls, "S", "Clienti", "Paese", "**"), "Error 3061:"},
        {"SELECT * INTO [Excel 8.0;DATABASE=" + xls + "].[S] FROM [Clienti]WHERE [Clienti.Nome]like 'D'Amico';",
         "Error 3075:"},
        {exportStatement("", "S", "Clienti", "ID", "**"), "Error 3044:"},
        {exportStatement(dir_ / "manca/out.xls", "S", "Clienti", "ID", "**"), "Error 3044:"},
        {exportStatement(xls, "A:B", "Clienti", "ID", "**"), "Error 3125:"},
        {"SELECT * INTO [Lotus;DATABASE=" + xls + "].[S] FROM [Clienti]", "Error 3170:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        auto r = run(e2e::bin("jetsql"), {path_, c.statement});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(std::filesystem::exists(xls));
    }
    // Nothing but the database is left in the folder: no temporary files.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(JetsqlOnClienti, AMissingDatabaseIsAnError) {
    auto r = run(e2e::bin("jetsql"), {dir_ / "nessuno.mdb", "SELECT * FROM Clienti"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("Error 3024:", 0), 0u) << r.err;
}

TEST_F(JetsqlOnClienti, ExportKeepsOnlyMatchingRowsInTableOrder) {
    const std::string xls = dir_ / "roma.xls";
    auto r = run(e2e::bin("jetsql"), {path_, exportStatement(xls, "Roma", "Clienti", "Citta", "*roma*")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto dump = run(CONVERTI_PYTHON,
                    {"-c",
                     "import sys, xlrd; s = xlrd.open_workbook(sys.argv[1]).sheet_by_name('Roma');"
                     "print([[c.value for c in s.row(i)] for i in range(s.nrows)])",
                     xls});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(dump.out,
              "[['ID', 'Nome', 'Citta', 'Saldo'], [1.0, 'Rossi', 'Roma', 1.5], [3.0, 'Verdi', 'ROMA', ''], "
              "[5.0, 'Esposito', 'Roma Nord', 0.0001]]\n");
}

}  // namespace
