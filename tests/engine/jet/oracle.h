#pragma once
// mdbtools' own command-line tools as an independent oracle for the reader:
// runs them and parses their CSV output.

#include <string>
#include <vector>

#include "core/value.h"

namespace jettest {

std::string fixture(const std::string& name);  // path under the real-files folder
bool haveFixtures();

// Runs a command; its standard output, or the empty string when it failed.
std::string run(const std::string& command);

struct CsvField {
    std::string text;
    bool quoted = false;
};
using CsvRow = std::vector<CsvField>;
std::vector<CsvRow> parseCsv(const std::string& csv);

// How mdb-export (-b hex, dates as %Y-%m-%d %H:%M:%S) prints a value of our
// reader; empty unquoted for Null. Compared as text with the export.
CsvField asExported(const engine::Value& v);

// "YYYY-MM-DD hh:mm:ss" for a stored date, rounded to the second.
std::string dateText(double days);

}  // namespace jettest
