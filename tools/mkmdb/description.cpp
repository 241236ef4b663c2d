// The JSON description of a database (format in README.md) turned into a
// Database. Numbers for Currency and Decimal columns stay text so they are
// exact; everything else is checked by the writer.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "json.h"
#include "mkmdb.h"

namespace mkmdb {

namespace {

using J = json::Value;

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
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '/' || c == '_'; }), s.end());
    return s;
}

const std::string& needString(const J& v, const std::string& table, const std::string& column, const char* what) {
    if (v.kind != J::Kind::String) throw Error(table, column, 0, std::string(what) + " must be text");
    return v.text;
}

long long needInteger(const J& v, const std::string& table, const std::string& column, const char* what) {
    long long n = 0;
    auto [p, ec] = std::from_chars(v.text.data(), v.text.data() + v.text.size(), n);
    if (v.kind != J::Kind::Number || ec != std::errc() || p != v.text.data() + v.text.size())
        throw Error(table, column, 0, std::string(what) + " must be a whole number");
    return n;
}

bool needBool(const J& v, const std::string& table, const std::string& column, const char* what) {
    if (v.kind != J::Kind::Boolean) throw Error(table, column, 0, std::string(what) + " must be true or false");
    return v.boolean;
}

Type typeFrom(const J& v, const std::string& table, const std::string& column) {
    if (v.kind == J::Kind::Number) {
        long long code = needInteger(v, table, column, "type");
        for (const TypeName& t : kTypeNames)
            if (static_cast<long long>(t.type) == code) return t.type;
        throw Error(table, column, 0, "unknown type code " + v.text);
    }
    std::string name = lower(needString(v, table, column, "type"));
    for (const TypeName& t : kTypeNames)
        if (name == t.name) return t.type;
    throw Error(table, column, 0,
                "unknown type \"" + v.text +
                    "\" (known: Boolean, Byte, Integer, Long, Currency, Single, Double, Date, Binary, Text, "
                    "LongBinary/OLE, Memo, Guid, Decimal)");
}

Column columnFrom(const J& c, const std::string& table, std::size_t index) {
    // Appended rather than "#" + ...: GCC 12 at -O3 warns falsely on that form.
    std::string where = "#";
    where += std::to_string(index + 1);
    if (c.kind != J::Kind::Object) throw Error(table, where, 0, "a column is an object {\"name\": ..., \"type\": ...}");
    Column col;
    const J* name = c.find("name");
    if (!name) throw Error(table, where, 0, "the column has no name");
    col.name = needString(*name, table, where, "name");
    const J* type = c.find("type");
    if (!type) throw Error(table, col.name, 0, "the column has no type");
    col.type = typeFrom(*type, table, col.name);
    for (const auto& [key, v] : c.members) {
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
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits.push_back(c);
    if (digits.size() % 2 != 0) throw Error(table, column, row, "hex bytes need an even number of digits");
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        int hi = digit(digits[i]), lo = digit(digits[i + 1]);
        if (hi < 0 || lo < 0) throw Error(table, column, row, "not a hex digit in \"" + hex + "\"");
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return out;
}

Value valueFrom(const J& v, const Column& col, const std::string& table, std::uint64_t row) {
    switch (v.kind) {
        case J::Kind::Null: return Null{};
        case J::Kind::Boolean: return v.boolean;
        case J::Kind::String: return v.text;
        case J::Kind::Number: {
            if (col.type == Type::Currency || col.type == Type::Decimal) return v.text;
            long long n = 0;
            auto [p, ec] = std::from_chars(v.text.data(), v.text.data() + v.text.size(), n);
            if (ec == std::errc() && p == v.text.data() + v.text.size()) return n;
            return std::strtod(v.text.c_str(), nullptr);
        }
        case J::Kind::Object: {
            if (const J* hex = v.find("hex"); hex && v.members.size() == 1)
                return Bytes{hexBytes(needString(*hex, table, col.name, "hex"), table, col.name, row)};
            const J* repeat = v.find("repeat");
            const J* count = v.find("count");
            if (repeat && count && v.members.size() == 2) {
                long long n = needInteger(*count, table, col.name, "count");
                if (n < 0 || n > (1 << 24)) throw Error(table, col.name, row, "count must be 0..16777216");
                Value unit = valueFrom(*repeat, col, table, row);
                std::string piece = unit.text();
                if (unit.kind() != Value::Kind::Text && unit.kind() != Value::Kind::Bytes)
                    throw Error(table, col.name, row, "repeat takes text or {\"hex\": ...}");
                std::string all;
                all.reserve(piece.size() * static_cast<std::size_t>(n));
                for (long long i = 0; i < n; ++i) all += piece;
                if (unit.kind() == Value::Kind::Bytes) return Bytes{std::move(all)};
                return all;
            }
            throw Error(table, col.name, row,
                        "an object value is {\"hex\": \"...\"} or {\"repeat\": ..., \"count\": n}");
        }
        case J::Kind::Array: break;
    }
    throw Error(table, col.name, row, "an array is not a value");
}

void tableFrom(Database& db, const J& t, std::size_t index) {
    if (t.kind != J::Kind::Object) throw Error("table #" + std::to_string(index + 1) + " is not an object");
    const J* name = t.find("name");
    if (!name || name->kind != J::Kind::String) throw Error("table #" + std::to_string(index + 1) + " has no name");
    const std::string& tableName = name->text;
    const J* columns = t.find("columns");
    if (!columns || columns->kind != J::Kind::Array) throw Error(tableName, {}, 0, "\"columns\" must be an array");
    std::vector<Column> cols;
    for (std::size_t i = 0; i < columns->items.size(); ++i) cols.push_back(columnFrom(columns->items[i], tableName, i));
    for (const auto& [key, v] : t.members)
        if (key != "name" && key != "columns" && key != "rows")
            throw Error(tableName, {}, 0, "unknown table property \"" + key + "\"");
    Table& table = db.addTable(tableName, cols);
    const J* rows = t.find("rows");
    if (!rows) return;
    if (rows->kind != J::Kind::Array) throw Error(tableName, {}, 0, "\"rows\" must be an array");
    std::uint64_t number = 0;
    for (const J& r : rows->items) {
        ++number;
        Row row(cols.size());
        if (r.kind == J::Kind::Array) {
            if (r.items.size() != cols.size())
                throw Error(tableName, {}, number,
                            "the row has " + std::to_string(r.items.size()) + " values; the table has " +
                                std::to_string(cols.size()) + " columns");
            for (std::size_t i = 0; i < cols.size(); ++i) row[i] = valueFrom(r.items[i], cols[i], tableName, number);
        } else if (r.kind == J::Kind::Object) {
            for (const auto& member : r.members) {
                const std::string& key = member.first;  // a plain name: lambdas capture it
                const J& v = member.second;
                auto it = std::find_if(cols.begin(), cols.end(), [&](const Column& c) { return c.name == key; });
                if (it == cols.end()) throw Error(tableName, key, number, "no such column");
                row[static_cast<std::size_t>(it - cols.begin())] = valueFrom(v, *it, tableName, number);
            }
        } else {
            throw Error(tableName, {}, number, "a row is an array of values or an object by column name");
        }
        table.addRow(std::move(row));
    }
}

}  // namespace

Database parseDescription(std::string_view text) {
    J doc;
    try {
        doc = json::parse(text);
    } catch (const std::invalid_argument& e) {
        throw Error(std::string("the description is not valid JSON: ") + e.what());
    }
    if (doc.kind != J::Kind::Object) throw Error("the description must be a JSON object with \"tables\"");
    Database db;
    for (const auto& [key, v] : doc.members) {
        if (key == "password") {
            if (v.kind != J::Kind::String) throw Error("\"password\" must be text");
            db.setPassword(v.text);
        } else if (key == "version") {
            if (v.kind != J::Kind::Number || (v.text != "3" && v.text != "4"))
                throw Error("\"version\" must be 3 (Access 97) or 4 (Access 2000-2003)");
            db.setVersion(v.text == "3" ? Version::Jet3 : Version::Jet4);
        } else if (key == "created") {
            if (v.kind != J::Kind::String) throw Error("\"created\" must be a date as text");
            try {
                db.setCreationDate(parseDate(v.text));
            } catch (const std::invalid_argument& e) {
                throw Error(std::string("\"created\": ") + e.what());
            }
        } else if (key == "tables") {
            if (v.kind != J::Kind::Array) throw Error("\"tables\" must be an array");
            for (std::size_t i = 0; i < v.items.size(); ++i) tableFrom(db, v.items[i], i);
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
