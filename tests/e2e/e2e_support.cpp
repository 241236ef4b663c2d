#include "e2e_support.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

namespace e2e {

Run run(const std::string& program, const std::vector<std::string>& args) {
    QProcess p;
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    p.start(QString::fromStdString(program), list);
    Run r;
    if (!p.waitForStarted(10000)) {
        r.err = "could not start " + program;
        return r;
    }
    p.closeWriteChannel();
    p.waitForFinished(300000);
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

std::string bin(const std::string& name) { return std::string(CONVERTI_BIN_DIR) + "/" + name; }

TempDir::TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("converti-e2e-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::filesystem::path> realDatabases() {
    std::vector<std::filesystem::path> out;
    const std::filesystem::path dir = std::filesystem::path(CONVERTI_FIXTURES) / "mdb";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".mdb") out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool workbookMatchesTable(const std::string& db, const std::string& table,
                          const std::string& xls, const std::string& sheet,
                          const std::string& filterField, std::string* report) {
    std::vector<std::string> args = {std::string(CONVERTI_SOURCE_DIR) + "/tests/e2e/compare_xls.py",
                                     db, table, xls, sheet};
    if (!filterField.empty()) {
        args.push_back("--filter-field");
        args.push_back(filterField);
    }
    Run r = run(CONVERTI_PYTHON, args);
    if (report) *report = r.out + r.err;
    return r.exitCode == 0;
}

}  // namespace e2e
