#include "support.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "converti-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Run run(const std::string& program, const std::vector<std::string>& args) {
    QProcess p;
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    p.start(QString::fromStdString(program), list);
    Run r;
    if (!p.waitForStarted(-1)) {
        r.err = "could not start " + program;
        return r;
    }
    p.closeWriteChannel();
    p.waitForFinished(-1);
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

Run shell(const std::string& command) { return run("/bin/sh", {"-c", command}); }

Run python(const std::string& script, const std::vector<std::string>& args) {
    std::vector<std::string> all = {source(script)};
    all.insert(all.end(), args.begin(), args.end());
    return run(CONVERTI_PYTHON, all);
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string bin(const std::string& name) { return std::string(CONVERTI_BIN_DIR) + "/" + name; }

std::string source(const std::string& relative) {
    return std::string(CONVERTI_SOURCE_DIR) + "/" + relative;
}

std::string fixture(const std::string& relative) {
    return std::string(CONVERTI_FIXTURES) + "/" + relative;
}

bool haveFixtures() { return fs::is_directory(fixture("mdb")); }

std::string realDatabase(const std::string& name) { return fixture("mdb/" + name); }

std::vector<fs::path> realDatabases() {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fixture("mdb"), ec)) {
        if (entry.path().extension() == ".mdb") out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool workbookMatchesTable(const std::string& db, const std::string& table, const std::string& xls,
                          const std::string& sheet, const std::string& filterField,
                          std::string* report) {
    std::vector<std::string> args = {db, table, xls, sheet};
    if (!filterField.empty()) args.insert(args.end(), {"--filter-field", filterField});
    const Run r = python("tests/e2e/compare_xls.py", args);
    if (report) *report = r.out + r.err;
    return r.status == 0;
}

}  // namespace support
