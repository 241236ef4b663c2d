#pragma once
// Helpers for mkmdb's tests: mdb-reader (node, tests/node/dump.mjs), the second
// independent reader beside mdbtools, and the forms values are compared in. The
// temporary folder, running commands and mdbtools' view come from tests/support.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "exact_json.h"
#include "mdb_json.h"
#include "mkmdb.h"
#include "support.h"

namespace mkmdb_test {

using support::mdbJsonRows;
using support::shellQuote;
using support::TempDir;
using CommandResult = support::Run;
// A command line run through the shell; its output and status.
inline CommandResult run(const std::string& command) { return support::shell(command); }
bool haveReaders();

// mdb-reader's view of a database (see tests/node/dump.mjs for the value forms).
mkmdb::Json readerDump(const std::filesystem::path& db, const std::string& extraArgs = "");

// A scalar as text: numbers as written, strings as they are, "null", "true".
std::string scalarText(const mkmdb::Json& v);
// One mdb-json member: "null" when absent; bytes become "b:" + hex.
inline std::string mdbtoolsText(const support::MdbRow& row, const std::string& column) {
    return support::mdbText(row, column);
}

// The dump's forms: "u:" + UTF-16LE hex, "b:" + bytes hex.
std::string u(std::u16string_view text);
std::string b(std::string_view bytes);

}  // namespace mkmdb_test

#define MKMDB_REQUIRE_READERS()                                                    \
    do {                                                                           \
        if (!mkmdb_test::haveReaders())                                            \
            GTEST_SKIP() << "node with mdb-reader, or mdbtools, is not installed"; \
    } while (0)
