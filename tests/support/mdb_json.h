#pragma once
// mdbtools, an independent reader of Jet databases, as an oracle: a table's rows
// as its mdb-json prints them, read with nlohmann-json.

#include <map>
#include <string>
#include <vector>

namespace support {

// One value as mdb-json prints it: text (UTF-8), a number with the digits it
// was printed with, or bytes (its {"$binary": base64} objects).
struct MdbValue {
    enum class Kind { Text, Number, Bytes };
    Kind kind = Kind::Text;
    std::string text;
};

// Column name to value. mdb-json leaves Null values out, empty texts too, and
// values of types it cannot show (Large Number, Date/Time Extended), of which
// it warns on standard error.
using MdbRow = std::map<std::string, MdbValue>;

// Dates and times as YYYY-MM-DD hh:mm:ss. Throws std::runtime_error when
// mdb-json fails or prints what is not JSON.
std::vector<MdbRow> mdbJsonRows(const std::string& db, const std::string& table);

// A column of a row as text: "null" when absent, "b:" + lower-case hex for
// bytes, otherwise the text or the number as printed.
std::string mdbText(const MdbRow& row, const std::string& column);

// Whether mdbtools' command-line tools are installed.
bool haveMdbtools();

}  // namespace support
