#include "mdb_json.h"

#include <QByteArray>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "support.h"

namespace support {
namespace {

// Builds rows from one line of mdb-json: an object of scalars and of
// {"$binary": ..., "$type": ...} objects. Numbers keep the text they were
// printed with, so a Currency or Decimal keeps every digit.
class RowReader : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit RowReader(MdbRow& row) : row_(row) {}

    bool null() override { return true; }
    bool boolean(bool v) override { return put(MdbValue::Kind::Number, v ? "1" : "0"); }
    bool number_integer(number_integer_t v) override {
        return put(MdbValue::Kind::Number, std::to_string(v));
    }
    bool number_unsigned(number_unsigned_t v) override {
        return put(MdbValue::Kind::Number, std::to_string(v));
    }
    bool number_float(number_float_t, const string_t& s) override {
        return put(MdbValue::Kind::Number, s);
    }
    bool string(string_t& s) override {
        if (depth_ == 2 && key_ == "$binary") {
            const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(s));
            row_[column_] = {MdbValue::Kind::Bytes, bytes.toStdString()};
            return true;
        }
        return depth_ == 2 || put(MdbValue::Kind::Text, s);
    }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override {
        if (depth_ == 1) column_ = key_;
        return ++depth_ <= 2;
    }
    bool key(string_t& k) override {
        key_ = k;
        return true;
    }
    bool end_object() override {
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override { return false; }
    bool end_array() override { return false; }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        throw std::runtime_error(std::string("mdb-json printed what is not JSON: ") + e.what());
    }

private:
    bool put(MdbValue::Kind kind, std::string text) {
        if (depth_ != 1) return depth_ == 2;  // "$type" and the like
        row_[key_] = {kind, std::move(text)};
        return true;
    }

    MdbRow& row_;
    int depth_ = 0;
    std::string key_;
    std::string column_;
};

}  // namespace

std::vector<MdbRow> mdbJsonRows(const std::string& db, const std::string& table) {
    const Run r =
        run("mdb-json", {"-T", "%Y-%m-%d %H:%M:%S", "-D", "%Y-%m-%d %H:%M:%S", db, table});
    if (r.status != 0) throw std::runtime_error("mdb-json failed on " + db + ": " + r.err);
    std::vector<MdbRow> rows;
    std::size_t start = 0;
    while (start < r.out.size()) {
        std::size_t end = r.out.find('\n', start);
        if (end == std::string::npos) end = r.out.size();
        if (end > start) {
            MdbRow row;
            RowReader reader(row);
            if (!nlohmann::json::sax_parse(r.out.substr(start, end - start), &reader))
                throw std::runtime_error("mdb-json printed an unexpected row: " +
                                         r.out.substr(start, 200));
            rows.push_back(std::move(row));
        }
        start = end + 1;
    }
    return rows;
}

std::string mdbText(const MdbRow& row, const std::string& column) {
    const auto v = row.find(column);
    if (v == row.end()) return "null";
    if (v->second.kind != MdbValue::Kind::Bytes) return v->second.text;
    static const char* kHex = "0123456789abcdef";
    std::string s = "b:";
    for (unsigned char c : v->second.text) {
        s += kHex[c >> 4];
        s += kHex[c & 15];
    }
    return s;
}

bool haveMdbtools() {
    static const bool have =
        shell("command -v mdb-json && command -v mdb-tables && command -v mdb-schema").status == 0;
    return have;
}

}  // namespace support
