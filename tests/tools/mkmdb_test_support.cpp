#include "mkmdb_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace mkmdb_test {

namespace fs = std::filesystem;
using mkmdb::Json;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "mkmdb-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
}

CommandResult run(const std::string& command) {
    CommandResult r;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

bool haveReaders() {
    static const bool have =
        run("command -v node >/dev/null && command -v mdb-json >/dev/null && test -d " +
            shellQuote(std::string(CONVERTI_SOURCE_DIR) + "/tests/node/node_modules/mdb-reader"))
            .status == 0;
    return have;
}

Json readerDump(const fs::path& db, const std::string& extraArgs) {
    std::string nodeDir = std::string(CONVERTI_SOURCE_DIR) + "/tests/node";
    CommandResult r = run("cd " + shellQuote(nodeDir) + " && node --max-old-space-size=4096 dump.mjs " +
                          shellQuote(db.string()) + " " + extraArgs);
    if (r.status != 0) throw std::runtime_error("mdb-reader could not read " + db.string() + ": " + r.out);
    return mkmdb::parseExactJson(r.out);
}

std::vector<Json> mdbJsonRows(const fs::path& db, const std::string& table) {
    // mdbtools warns on standard error of each value it cannot show (Large
    // Number, Date/Time Extended); mixed into the rows, the warnings would
    // split them, so they are heard only when mdb-json fails.
    const std::string command =
        "mdb-json -T '%Y-%m-%d %H:%M:%S' " + shellQuote(db.string()) + " " + shellQuote(table);
    CommandResult r = run(command + " 2>/dev/null");
    if (r.status != 0)
        throw std::runtime_error("mdb-json failed on " + db.string() + ": " + run(command + " 2>&1").out);
    std::vector<Json> rows;
    std::size_t start = 0;
    while (start < r.out.size()) {
        std::size_t end = r.out.find('\n', start);
        if (end == std::string::npos) end = r.out.size();
        if (end > start) rows.push_back(mkmdb::parseExactJson(std::string_view(r.out).substr(start, end - start)));
        start = end + 1;
    }
    return rows;
}

std::string scalarText(const Json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (mkmdb::isNumber(v)) return mkmdb::numberText(v);
    if (v.is_null() || v.is_boolean()) return v.dump();
    return "<composite>";
}

namespace {

std::string base64Decode(const std::string& in) {
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : in) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else continue;
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

}  // namespace

std::string mdbtoolsText(const Json& row, const std::string& column) {
    auto v = row.find(column);
    if (v == row.end()) return "null";
    if (v->is_object()) return v->contains("$binary") ? b(base64Decode(scalarText(v->at("$binary")))) : "<object>";
    return scalarText(*v);
}

std::string u(std::u16string_view text) {
    static const char* kHex = "0123456789abcdef";
    std::string s = "u:";
    for (char16_t c : text) {
        for (unsigned byte : {c & 0xFFu, (c >> 8) & 0xFFu}) {
            s.push_back(kHex[byte >> 4]);
            s.push_back(kHex[byte & 15]);
        }
    }
    return s;
}

std::string b(std::string_view bytes) {
    static const char* kHex = "0123456789abcdef";
    std::string s = "b:";
    for (unsigned char c : bytes) {
        s.push_back(kHex[c >> 4]);
        s.push_back(kHex[c & 15]);
    }
    return s;
}

}  // namespace mkmdb_test
