#include "oracle.h"

#include <QString>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace jettest {

std::string fixture(const std::string& name) { return std::string(CONVERTI_FIXTURES) + "/mdb/" + name; }

bool haveFixtures() { return std::filesystem::is_directory(std::string(CONVERTI_FIXTURES) + "/mdb"); }

std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[65536];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (pclose(p) != 0) out.clear();
    return out;
}

std::vector<CsvRow> parseCsv(const std::string& csv) {
    std::vector<CsvRow> rows;
    CsvRow row;
    CsvField field;
    bool inQuotes = false, any = false;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                field.text += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                field.text += c;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            inQuotes = true;
            field.quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field = {};
        } else if (c == '\n') {
            row.push_back(std::move(field));
            field = {};
            rows.push_back(std::move(row));
            row.clear();
            any = false;
        } else {
            field.text += c;
        }
    }
    if (any) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string dateText(double days) {
    // Days since 1899-12-30; the time of day rounded to the second.
    long day = static_cast<long>(days);
    long secs = static_cast<long>((days - day) * 86400.0 + 0.5);
    day += secs / 86400;
    secs %= 86400;
    // Civil date from a day count (days since 1970-01-01), proleptic Gregorian.
    long z = day - 25569 + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld", y, m, d, secs / 3600,
                  (secs / 60) % 60, secs % 60);
    return buf;
}

namespace {

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string decimalText(const engine::Decimal& d) {
    std::string digits;
    unsigned __int128 m = d.mantissa;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    while (digits.size() <= d.scale) digits.insert(digits.begin(), '0');
    if (d.scale > 0) digits.insert(digits.end() - d.scale, '.');
    return (d.negative ? "-" : "") + digits;
}

}  // namespace

CsvField asExported(const engine::Value& v) {
    char buf[64];
    switch (v.type) {
        case engine::Type::Null: return {"", false};
        case engine::Type::Boolean: return {v.boolean ? "1" : "0", false};
        case engine::Type::Byte:
        case engine::Type::Integer:
        case engine::Type::Long:
        case engine::Type::BigInt: return {std::to_string(v.integer), false};
        case engine::Type::Currency: {
            const std::uint64_t a = v.integer < 0 ? -static_cast<std::uint64_t>(v.integer) : v.integer;
            std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v.integer < 0 ? "-" : "",
                          static_cast<unsigned long long>(a / 10000), static_cast<unsigned long long>(a % 10000));
            return {buf, false};
        }
        case engine::Type::Single:
            std::snprintf(buf, sizeof buf, "%.8g", static_cast<double>(static_cast<float>(v.number)));
            return {buf, false};
        case engine::Type::Double: std::snprintf(buf, sizeof buf, "%.16g", v.number); return {buf, false};
        case engine::Type::Date: return {dateText(v.number), true};
        case engine::Type::Text:
        case engine::Type::Memo: {
            // mdb-export handles text as C strings: it ends at the first NUL.
            const std::u16string cut = v.text.substr(0, v.text.find(u'\0'));
            return {QString::fromStdU16String(cut).toStdString(), true};
        }
        case engine::Type::Binary: {
            // mdb-export prints Binary (not OLE) as a C string too: up to the first
            // zero byte, and a value starting with one as if it were Null.
            const std::string cut = v.bytes.substr(0, v.bytes.find('\0'));
            return {hex(cut), !cut.empty()};
        }
        case engine::Type::LongBinary: return {hex(v.bytes), true};
        case engine::Type::Guid: {
            const auto* b = reinterpret_cast<const unsigned char*>(v.bytes.data());
            std::snprintf(buf, sizeof buf,
                          "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X%02X%02X}", b[3],
                          b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                          b[14], b[15]);
            // mdb-export writes GUIDs as {8-4-4-16}, and -b hex applies to that text.
            return {hex(buf), true};
        }
        case engine::Type::Decimal: return {decimalText(v.decimal), false};
        default: break;  // the types of Access 2007-2019: not in the .mdb files compared here
    }
    return {"?", false};
}

}  // namespace jettest
