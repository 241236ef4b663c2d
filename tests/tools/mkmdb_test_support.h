#pragma once
// Helpers for mkmdb's tests: a temporary folder, running commands, and the
// two independent readers used as oracles (mdb-reader through
// tests/node/dump.mjs, and mdbtools' command-line tools).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "exact_json.h"
#include "mkmdb.h"

namespace mkmdb_test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1;
    std::string out;
};
// Runs a shell command; captures its standard output.
CommandResult run(const std::string& command);
std::string shellQuote(const std::string& s);
bool haveReaders();

// mdb-reader's view of a database (see tests/node/dump.mjs for the value forms).
mkmdb::Json readerDump(const std::filesystem::path& db, const std::string& extraArgs = "");
// mdbtools' view of a table through mdb-json: one object per row. mdb-json
// leaves out Null and empty values, and values of types it cannot show
// (Large Number, Date/Time Extended), of which it warns.
std::vector<mkmdb::Json> mdbJsonRows(const std::filesystem::path& db, const std::string& table);

// A scalar as text: numbers as written, strings as they are, "null", "true".
std::string scalarText(const mkmdb::Json& v);
// One mdb-json member: "null" when absent; binary objects become "b:" + hex.
std::string mdbtoolsText(const mkmdb::Json& row, const std::string& column);

// The dump's forms: "u:" + UTF-16LE hex, "b:" + bytes hex.
std::string u(std::u16string_view text);
std::string b(std::string_view bytes);

}  // namespace mkmdb_test

#define MKMDB_REQUIRE_READERS()                                                            \
    do {                                                                                   \
        if (!mkmdb_test::haveReaders())                                                    \
            GTEST_SKIP() << "node with mdb-reader, or mdbtools, is not installed";         \
    } while (0)
