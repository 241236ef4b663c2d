// The JSON description of a database (format in README.md) turned into a
// Database. Numbers for Currency and Decimal columns stay text so they are
// exact; everything else is checked by the writer.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "exact_json.h"
#include "mkmdb.h"
#include "mkmdb_internal.h"

namespace mkmdb {

namespace {

struct TypeName {
    const char* name;
    Type type;
};

constexpr TypeName kTypeNames[] = {
    {"boolean", Type::Boolean}, {"yesno", Type::Boolean},      {"byte", Type::Byte},
    {"integer", Type::Integer}, {"long", Type::Long},          {"currency", Type::Currency},
    {"single", Type::Single},   {"double", Type::Double},      {"date", Type::Date},
    {"datetime", Type::Date},   {"binary", Type::Binary},      {"text", Type::Text},
    {"longbinary", Type::LongBinary}, {"ole", Type::LongBinary}, {"memo", Type::Memo},
    {"guid", Type::Guid},       {"replicationid", Type::Guid}, {"decimal", Type::Decimal},
    {"largenumber", Type::LargeNumber}, {"bigint", Type::LargeNumber},
    {"datetimeextended", Type::DateTimeExtended},
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '/' || c == '_'; }), s.end());
    return s;
}

const Json* member(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool fitsInt64(const Json& v) {
    return v.is_number_integer() &&
           !(v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX));
}

const std::string& needString(const Json& v, const std::string& table, const std::string& column, const char* what) {
    if (!v.is_string()) throw Error(table, column, 0, std::string(what) + " must be text");
    return v.get_ref<const std::string&>();
}

long long needInteger(const Json& v, const std::string& table, const std::string& column, const char* what) {
    if (!fitsInt64(v)) throw Error(table, column, 0, std::string(what) + " must be a whole number");
    return v.get<long long>();
}

bool needBool(const Json& v, const std::string& table, const std::string& column, const char* what) {
    if (!v.is_boolean()) throw Error(table, column, 0, std::string(what) + " must be true or false");
    return v.get<bool>();
}

Type typeFrom(const Json& v, const std::string& table, const std::string& column) {
    if (isNumber(v)) {
        long long code = needInteger(v, table, column, "type");
        for (const TypeName& t : kTypeNames)
            if (static_cast<long long>(t.type) == code) return t.type;
        throw Error(table, column, 0, "unknown type code " + numberText(v));
    }
    const std::string& written = needString(v, table, column, "type");
    std::string name = lower(written);
    for (const TypeName& t : kTypeNames)
        if (name == t.name) return t.type;
    throw Error(table, column, 0,
                "unknown type \"" + written +
                    "\" (known: Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Binary, Text, "
                    "LongBinary/OLE, Memo, Guid, Decimal, LargeNumber/BigInt, DateTimeExtended)");
}

Column columnFrom(const Json& c, const std::string& table, std::size_t index) {
    // Appended rather than "#" + ...: GCC 12 at -O3 warns falsely on that form.
    std::string where = "#";
    where += std::to_string(index + 1);
    if (!c.is_object()) throw Error(table, where, 0, "a column is an object {\"name\": ..., \"type\": ...}");
    Column col;
    const Json* name = member(c, "name");
    if (!name) throw Error(table, where, 0, "the column has no name");
    col.name = needString(*name, table, where, "name");
    const Json* type = member(c, "type");
    if (!type) throw Error(table, col.name, 0, "the column has no type");
    col.type = typeFrom(*type, table, col.name);
    for (const auto& m : c.items()) {
        const std::string& key = m.key();
        const Json& v = m.value();
        if (key == "name" || key == "type") continue;
        if (key == "size") col.options.size = static_cast<int>(needInteger(v, table, col.name, "size"));
        else if (key == "autoNumber") col.options.autoNumber = needBool(v, table, col.name, "autoNumber");
        else if (key == "precision") col.options.precision = static_cast<int>(needInteger(v, table, col.name, "precision"));
        else if (key == "scale") col.options.scale = static_cast<int>(needInteger(v, table, col.name, "scale"));
        else if (key == "compressed") col.options.compressed = needBool(v, table, col.name, "compressed");
        else throw Error(table, col.name, 0, "unknown column property \"" + key + "\"");
    }
    return col;
}

std::string hexBytes(const std::string& hex, const std::string& table, const std::string& column,
                     std::uint64_t row) {
    std::string out;
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits.push_back(c);
    if (digits.size() % 2 != 0) throw Error(table, column, row, "hex bytes need an even number of digits");
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::optional<std::uint8_t> byte = detail::hexByte(std::string_view(digits).substr(i, 2));
        if (!byte) throw Error(table, column, row, "not a hex digit in \"" + hex + "\"");
        out.push_back(static_cast<char>(*byte));
    }
    return out;
}

Value valueFrom(const Json& v, const Column& col, const std::string& table, std::uint64_t row);

// {"repeat": VALUE, "count": N}: VALUE's text or bytes N times over.
Value repeated(const Json& unitJson, const Json& count, const Column& col, const std::string& table,
               std::uint64_t row) {
    long long n = needInteger(count, table, col.name, "count");
    if (n < 0 || n > (1 << 24)) throw Error(table, col.name, row, "count must be 0..16777216");
    Value unit = valueFrom(unitJson, col, table, row);
    if (unit.kind() != Value::Kind::Text && unit.kind() != Value::Kind::Bytes)
        throw Error(table, col.name, row, "repeat takes text or {\"hex\": ...}");
    const std::string& piece = unit.text();
    std::string all;
    all.reserve(piece.size() * static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) all += piece;
    if (unit.kind() == Value::Kind::Bytes) return Bytes{std::move(all)};
    return all;
}

Value valueFrom(const Json& v, const Column& col, const std::string& table, std::uint64_t row) {
    if (v.is_null()) return Null{};
    if (v.is_boolean()) return v.get<bool>();
    if (v.is_string()) return v.get<std::string>();
    if (isNumber(v)) {
        // Currency and Decimal take the number's digits as written; so does
        // Large Number past 64 bits, to be refused with them.
        if (col.type == Type::Currency || col.type == Type::Decimal ||
            (col.type == Type::LargeNumber && !fitsInt64(v)))
            return numberText(v);
        if (fitsInt64(v)) return v.get<std::int64_t>();
        return std::strtod(numberText(v).c_str(), nullptr);
    }
    if (v.is_object()) {
        const Json* hex = member(v, "hex");
        if (hex && v.size() == 1) return Bytes{hexBytes(needString(*hex, table, col.name, "hex"), table, col.name, row)};
        const Json* repeat = member(v, "repeat");
        const Json* count = member(v, "count");
        if (repeat && count && v.size() == 2) return repeated(*repeat, *count, col, table, row);
        throw Error(table, col.name, row, "an object value is {\"hex\": \"...\"} or {\"repeat\": ..., \"count\": n}");
    }
    throw Error(table, col.name, row, "an array is not a value");
}

Row rowFrom(const Json& r, const std::vector<Column>& cols, const std::string& table, std::uint64_t number) {
    Row row(cols.size());
    if (r.is_array()) {
        if (r.size() != cols.size())
            throw Error(table, {}, number,
                        "the row has " + std::to_string(r.size()) + " values; the table has " +
                            std::to_string(cols.size()) + " columns");
        for (std::size_t i = 0; i < cols.size(); ++i) row[i] = valueFrom(r[i], cols[i], table, number);
    } else if (r.is_object()) {
        for (const auto& m : r.items()) {
            const std::string& key = m.key();
            auto it = std::find_if(cols.begin(), cols.end(), [&](const Column& c) { return c.name == key; });
            if (it == cols.end()) throw Error(table, key, number, "no such column");
            row[static_cast<std::size_t>(it - cols.begin())] = valueFrom(m.value(), *it, table, number);
        }
    } else {
        throw Error(table, {}, number, "a row is an array of values or an object by column name");
    }
    return row;
}

void tableFrom(Database& db, const Json& t, std::size_t index) {
    if (!t.is_object()) throw Error("table #" + std::to_string(index + 1) + " is not an object");
    const Json* name = member(t, "name");
    if (!name || !name->is_string()) throw Error("table #" + std::to_string(index + 1) + " has no name");
    const std::string& tableName = name->get_ref<const std::string&>();
    const Json* columns = member(t, "columns");
    if (!columns || !columns->is_array()) throw Error(tableName, {}, 0, "\"columns\" must be an array");
    std::vector<Column> cols;
    for (std::size_t i = 0; i < columns->size(); ++i) cols.push_back(columnFrom((*columns)[i], tableName, i));
    for (const auto& m : t.items())
        if (m.key() != "name" && m.key() != "columns" && m.key() != "rows")
            throw Error(tableName, {}, 0, "unknown table property \"" + m.key() + "\"");
    Table& table = db.addTable(tableName, cols);
    const Json* rows = member(t, "rows");
    if (!rows) return;
    if (!rows->is_array()) throw Error(tableName, {}, 0, "\"rows\" must be an array");
    std::uint64_t number = 0;
    for (const Json& r : *rows) table.addRow(rowFrom(r, cols, tableName, ++number));
}

Version versionFrom(const Json& v) {
    static constexpr Version kVersions[] = {Version::Jet3,    Version::Jet4,    Version::Ace2007,
                                            Version::Ace2010, Version::Ace2016, Version::Ace2019};
    for (Version known : kVersions)
        if (fitsInt64(v) && v.get<std::int64_t>() == static_cast<std::int64_t>(known)) return known;
    throw Error(
        "\"version\" must be 3 (Access 97), 4 (Access 2000-2003), 2007, 2010, 2016 or 2019 (Access 2007-2019)");
}

// nlohmann's message without its "[json.exception...] parse error at " tag.
std::string jsonFault(const nlohmann::json::exception& e) {
    std::string reason = e.what();
    if (std::size_t tag = reason.find("] "); tag != std::string::npos) reason.erase(0, tag + 2);
    if (reason.rfind("parse error at ", 0) == 0) reason.erase(0, 15);
    return reason;
}

}  // namespace

Database parseDescription(std::string_view text) {
    Json doc;
    try {
        doc = parseExactJson(text);
    } catch (const nlohmann::json::exception& e) {
        throw Error("the description is not valid JSON: " + jsonFault(e));
    }
    if (!doc.is_object()) throw Error("the description must be a JSON object with \"tables\"");
    Database db;
    for (const auto& m : doc.items()) {
        const std::string& key = m.key();
        const Json& v = m.value();
        if (key == "password") {
            if (!v.is_string()) throw Error("\"password\" must be text");
            db.setPassword(v.get<std::string>());
        } else if (key == "version") {
            db.setVersion(versionFrom(v));
        } else if (key == "created") {
            if (!v.is_string()) throw Error("\"created\" must be a date as text");
            try {
                db.setCreationDate(parseDate(v.get_ref<const std::string&>()));
            } catch (const std::invalid_argument& e) {
                throw Error(std::string("\"created\": ") + e.what());
            }
        } else if (key == "tables") {
            if (!v.is_array()) throw Error("\"tables\" must be an array");
            for (std::size_t i = 0; i < v.size(); ++i) tableFrom(db, v[i], i);
        } else if (key != "comment") {
            throw Error("unknown property \"" + key + "\" in the description");
        }
    }
    return db;
}

Database readDescription(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parseDescription(text.str());
}

}  // namespace mkmdb
