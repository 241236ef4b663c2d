#pragma once
// What every test needs once: a temporary folder, running a program and reading
// its output and status, the paths of the build and of the real fixture files,
// and the error a call throws.

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "error/error.h"

namespace support {

// A fresh folder, removed with everything in it when the object goes (modes
// that forbid the removal are undone first).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of `name` inside the folder.
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    // The names of what the folder holds, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

struct Run {
    int status = -1;  // the exit status; -1 when the program could not start or crashed
    std::string out;
    std::string err;
};

// Runs `program` with `args`, no shell between, and waits for it to end.
// Standard input is closed.
Run run(const std::string& program, const std::vector<std::string>& args);
// Runs a command line through /bin/sh, for pipelines and redirections.
Run shell(const std::string& command);
// Runs a Python script of the source tree with the Python that has xlrd and
// olefile (Debian's, whatever python3 comes first on PATH).
Run python(const std::string& script, const std::vector<std::string>& args);
// `s` as one word of a command line for /bin/sh.
std::string shellQuote(const std::string& s);

std::string bin(const std::string& name);         // a program built by the project
std::string source(const std::string& relative);  // a file of the source tree

// The real files made by Access and Excel (../shared/fixtures/real): a file's
// path, whether the databases are there (tests skip without them), one of the
// databases by name, all of them.
std::string fixture(const std::string& relative);
bool haveFixtures();
std::string realDatabase(const std::string& name);
std::vector<std::filesystem::path> realDatabases();

// Compares the worksheet `sheet` of the workbook `xls` with the table `table` of
// the database `db`, through mdbtools and xlrd (tests/e2e/compare_xls.py): true
// when every cell agrees. `report` receives what the comparison printed. With
// `filterField`, only the rows where that field is not Null are compared.
bool workbookMatchesTable(const std::string& db, const std::string& table, const std::string& xls,
                          const std::string& sheet, const std::string& filterField,
                          std::string* report);

// The converti::Error that `f` throws, or nothing.
template <typename F>
std::optional<converti::Error> errorOf(F&& f) {
    try {
        f();
    } catch (const converti::Error& e) {
        return e;
    }
    return std::nullopt;
}

// Expects `f` to throw converti::Error numbered `number`; returns its description.
template <typename F>
QString expectError(int number, F&& f) {
    const auto e = errorOf(f);
    if (!e) {
        ADD_FAILURE() << "no error, expected " << number;
        return {};
    }
    EXPECT_EQ(e->number(), number) << e->what();
    return e->description();
}

// The error number `f` throws; 0 when it throws none.
template <typename F>
int errorNumberOf(F&& f) {
    const auto e = errorOf(f);
    return e ? e->number() : 0;
}

}  // namespace support
