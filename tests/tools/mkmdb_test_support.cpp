#include "mkmdb_test_support.h"

namespace mkmdb_test {

using mkmdb::Json;

bool haveReaders() {
    static const bool have =
        support::haveMdbtools() && support::shell("command -v node").status == 0 &&
        std::filesystem::is_directory(support::source("tests/node/node_modules/mdb-reader"));
    return have;
}

Json readerDump(const std::filesystem::path& db, const std::string& extraArgs) {
    const CommandResult r = run("cd " + shellQuote(support::source("tests/node")) +
                                " && node --max-old-space-size=4096 dump.mjs " +
                                shellQuote(db.string()) + " " + extraArgs);
    if (r.status != 0)
        throw std::runtime_error("mdb-reader could not read " + db.string() + ": " + r.err);
    return mkmdb::parseExactJson(r.out);
}

std::string scalarText(const Json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (mkmdb::isNumber(v)) return mkmdb::numberText(v);
    if (v.is_null() || v.is_boolean()) return v.dump();
    return "<composite>";
}

namespace {

std::string hexOf(std::string_view prefix, const std::uint8_t* p, std::size_t n) {
    static const char* kHex = "0123456789abcdef";
    std::string s(prefix);
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(kHex[p[i] >> 4]);
        s.push_back(kHex[p[i] & 15]);
    }
    return s;
}

}  // namespace

std::string u(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return hexOf("u:", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string b(std::string_view bytes) {
    return hexOf("b:", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace mkmdb_test
