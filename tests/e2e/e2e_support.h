#pragma once
// Helpers for end-to-end tests: temporary folders, running the project's
// commands and the independent readers, and the real fixture files.

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct Run {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs program with args (no shell), capturing both outputs.
Run run(const std::string& program, const std::vector<std::string>& args);

std::string bin(const std::string& name);  // build/bin/<name>

// A fresh folder removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The real databases made by Access, or an empty list when the folder is absent.
std::vector<std::filesystem::path> realDatabases();

// Compares sheet of workbook with table of db through mdbtools and xlrd; returns
// the script's report, and whether every cell agreed.
bool workbookMatchesTable(const std::string& db, const std::string& table,
                          const std::string& xls, const std::string& sheet,
                          const std::string& filterField, std::string* report);

}  // namespace e2e
