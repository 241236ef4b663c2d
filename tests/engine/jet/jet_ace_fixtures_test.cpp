// The reader against the Access 2007-2019 databases made by Access
// (../shared/fixtures/real/accdb), value by value against what mdb-reader reads
// (tests/node/ace_dump.mjs). Where mdb-reader does not read what Access shows,
// the test says why and checks the value another way.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "core/conversions.h"
#include "core/text_form.h"
#include "jet/jet.h"
#include "support.h"

namespace {

using engine::Type;
using nlohmann::json;

std::string aceFixture(const std::string& name) { return support::fixture("accdb/" + name); }

std::string utf8(std::u16string_view s) { return QStringView(s).toString().toStdString(); }

std::u16string textOf(const engine::Value& v) {
    engine::TextBuffer buffer;
    std::u16string large;
    return std::u16string(engine::textFormOf(v, buffer, large));
}


std::string hex(const void* data, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<const unsigned char*>(data)[i];
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string utf16Form(std::u16string_view s) {
    std::string bytes;
    for (char16_t c : s) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>(c >> 8);
    }
    return "u:" + hex(bytes.data(), bytes.size());
}

std::u16string fromUtf16Form(const std::string& form) {
    std::u16string out;
    for (std::size_t i = 2; i + 3 < form.size(); i += 4) {
        const auto byte = [&](std::size_t at) {
            return std::stoi(form.substr(at, 2), nullptr, 16);
        };
        out += static_cast<char16_t>(byte(i) | (byte(i + 2) << 8));
    }
    return out;
}

// mdb-reader's text of an exact number: every digit of the scale, at least one
// before the point (buildValue in its data/util.js).
std::string scaledText(bool negative, unsigned __int128 magnitude, unsigned scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    while (digits.size() <= scale) digits.insert(digits.begin(), '0');
    if (scale > 0) digits.insert(digits.end() - scale, '.');
    return (negative ? "-" : "") + digits;
}

// Our value in the form ace_dump.mjs gives mdb-reader's.
json form(const engine::Value& v) {
    switch (v.type) {
        case Type::Null:
            return nullptr;
        case Type::Boolean:
            return v.boolean;
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
            return v.integer;
        case Type::BigInt:
            return "i:" + std::to_string(v.integer);
        case Type::Currency: {
            const bool negative = v.integer < 0;
            const auto magnitude = negative ? 0 - static_cast<unsigned __int128>(v.integer)
                                            : static_cast<unsigned __int128>(v.integer);
            return scaledText(negative, magnitude, 4);
        }
        case Type::Decimal:
            return scaledText(v.decimal.negative, v.decimal.mantissa, v.decimal.scale);
        case Type::Single: {
            const float f = static_cast<float>(v.number);
            return "f:" + hex(&f, 4);
        }
        case Type::Double:
            return "d:" + hex(&v.number, 8);
        case Type::Date:
            // As mdb-reader turns the stored double into milliseconds (Math.round of
            // the plain difference), so that the stored value itself is compared.
            return static_cast<std::int64_t>(std::floor((v.number - 25569) * 86400 * 1000 + 0.5));
        case Type::DateTimeExtended: {
            const engine::ExtDateTime e = engine::splitExtDate(v.integer);
            const std::chrono::year_month_day d{e.when.day};
            const std::chrono::hh_mm_ss t{e.when.time};
            char text[64];
            std::snprintf(text, sizeof text, "x:%04d.%02u.%02u %02ld:%02ld:%02ld.%07d00",
                          static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                          static_cast<unsigned>(d.day()), static_cast<long>(t.hours().count()),
                          static_cast<long>(t.minutes().count()),
                          static_cast<long>(t.seconds().count()), e.fraction);
            return text;
        }
        case Type::Guid: {
            const auto* b = reinterpret_cast<const unsigned char*>(v.bytes.data());
            char text[40];
            std::snprintf(text, sizeof text,
                          "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                          b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11],
                          b[12], b[13], b[14], b[15]);
            return text;
        }
        case Type::Binary:
        case Type::LongBinary:
            return "b:" + hex(v.bytes.data(), v.bytes.size());
        default:
            return utf16Form(v.text);  // Text, Memo, the joined values of complex columns
    }
}

// The engine type a column of mdb-reader's type is read as.
Type typeOf(const json& column) {
    static const std::map<std::string, Type> kTypes = {
        {"boolean", Type::Boolean},   {"byte", Type::Byte},
        {"integer", Type::Integer},   {"long", Type::Long},
        {"currency", Type::Currency}, {"float", Type::Single},
        {"double", Type::Double},     {"datetime", Type::Date},
        {"binary", Type::Binary},     {"text", Type::Text},
        {"ole", Type::LongBinary},    {"memo", Type::Memo},
        {"repid", Type::Guid},        {"numeric", Type::Decimal},
        {"bigint", Type::BigInt},     {"datetimextended", Type::DateTimeExtended},
        {"unknown", Type::Binary}};
    const std::string kind = column["kind"].is_null() ? "" : column["kind"].get<std::string>();
    if (kind == "attachment") return Type::Attachment;
    if (kind == "multi" && column["valueType"] == "text") return Type::ComplexText;
    if (kind == "multi" && column["valueType"] == "long") return Type::ComplexLong;
    if (kind == "unknown") return Type::Binary;
    return kTypes.at(column["type"].get<std::string>());
}

bool haveReader() {
    static const bool have = support::shell("command -v node").status == 0 &&
                             std::filesystem::is_directory(support::source("tests/node/node_modules/mdb-reader"));
    return have;
}

json readerDump(const std::string& path) {
    const support::Run r = support::shell("cd " + support::shellQuote(support::source("tests/node")) +
                                          " && node ace_dump.mjs " + support::shellQuote(path));
    return r.status != 0 || r.out.empty() ? json() : json::parse(r.out);
}

struct AceFile {
    const char* name;
    int engineVersion;  // what the version byte says
};

class AceFixture : public ::testing::TestWithParam<AceFile> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(aceFixture(GetParam().name)))
            GTEST_SKIP() << "ACE fixtures not present";
        if (!haveReader()) GTEST_SKIP() << "node with mdb-reader not installed";
    }
};

// Every user table mdb-reader lists, every row and value. Rows are compared as
// multisets: mdb-reader reads a row moved to another page where it was moved to,
// the engine where its pointer stands.
TEST_P(AceFixture, EveryUserTableMatchesMdbReader) {
    const std::string path = aceFixture(GetParam().name);
    const json dump = readerDump(path);
    ASSERT_TRUE(dump.is_object()) << "mdb-reader could not read " << path;
    auto db = jet::Database::open(path);
    EXPECT_EQ(db->jetVersion(), GetParam().engineVersion);

    std::size_t tables = 0, rows = 0, values = 0, calculated = 0;
    for (const auto& tableName : dump["userTables"]) {
        const std::string name = tableName.get<std::string>();
        SCOPED_TRACE("table " + name);
        const json& theirs = dump["tables"][name];
        auto table = db->openTable(QString::fromStdString(name).toStdU16String());

        // A version history column (the past texts of an append-only memo) is no
        // field in Access, which shows the memo's latest text: the engine leaves
        // it out, mdb-reader lists it.
        std::vector<std::size_t> shown;
        for (std::size_t i = 0; i < theirs["columns"].size(); ++i)
            if (theirs["columns"][i]["kind"] != "versionHistory") shown.push_back(i);
        const auto& columns = table->columns();
        ASSERT_EQ(columns.size(), shown.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const json& column = theirs["columns"][shown[c]];
            EXPECT_EQ(utf8(columns[c].name), column["name"].get<std::string>());
            // A calculated column's type is its result's (its properties say
            // which); mdb-reader knows nothing of calculated columns.
            if (!column["calculated"].get<bool>()) {
                EXPECT_EQ(columns[c].type, typeOf(column)) << c;
            }
        }

        std::multiset<std::string> want, got;
        for (const json& row : theirs["rows"]) {
            json key = json::array();
            for (std::size_t c = 0; c < shown.size(); ++c) {
                const json& column = theirs["columns"][shown[c]];
                const json& value = row[shown[c]];
                if (column["calculated"].get<bool>()) {
                    // mdb-reader reads a calculated value's wrapping as if it were the
                    // value; CalculatedFieldsHoldTheirExpressionsResults checks these.
                    key.push_back("calculated");
                } else if (column["kind"] == "unknown") {
                    key.push_back("unknown");  // no values are known here: an empty cell
                } else if (value.is_array()) {
                    std::u16string joined;
                    for (const json& part : value) {
                        if (!joined.empty()) joined += u"; ";
                        joined += fromUtf16Form(part.get<std::string>());
                    }
                    key.push_back(utf16Form(joined));
                } else {
                    key.push_back(value);
                }
            }
            want.insert(key.dump());
        }
        engine::Row row;
        while (table->next(row)) {
            json key = json::array();
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const json& column = theirs["columns"][shown[c]];
                if (!row[c].isNull()) {
                    EXPECT_EQ(row[c].type, columns[c].type) << utf8(columns[c].name);
                }
                if (column["calculated"].get<bool>()) {
                    key.push_back("calculated");
                    ++calculated;
                } else if (column["kind"] == "unknown") {
                    EXPECT_EQ(row[c].type, Type::Binary);
                    key.push_back("unknown");
                } else {
                    key.push_back(form(row[c]));
                    ++values;
                }
            }
            got.insert(key.dump());
            ++rows;
        }
        std::vector<std::string> onlyOurs, onlyTheirs;
        std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                            std::back_inserter(onlyOurs));
        std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                            std::back_inserter(onlyTheirs));
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyOurs.size(), 3); ++i)
            ADD_FAILURE() << "row only the engine read: " << onlyOurs[i].substr(0, 400);
        for (std::size_t i = 0; i < std::min<std::size_t>(onlyTheirs.size(), 3); ++i)
            ADD_FAILURE() << "row only mdb-reader read: " << onlyTheirs[i].substr(0, 400);
        ++tables;
    }
    EXPECT_GT(tables, 0u);
    std::cout << GetParam().name << ": " << tables << " tables, " << rows << " rows, " << values
              << " values compared with mdb-reader, " << calculated
              << " calculated values checked apart\n";
    RecordProperty("tables", static_cast<int>(tables));
    RecordProperty("rows", static_cast<int>(rows));
    RecordProperty("values", static_cast<int>(values));
}

INSTANTIATE_TEST_SUITE_P(
    Real, AceFixture,
    ::testing::Values(AceFile{"testV2007.accdb", 12}, AceFile{"testV2010.accdb", 14},
                      AceFile{"V2010_no-password.accdb", 14}, AceFile{"bigintV2016.accdb", 16},
                      AceFile{"extDateTestV2019.accdb", 17},
                      AceFile{"calcFieldTestV2010.accdb", 14},
                      AceFile{"complexDataTestV2010.accdb", 14},
                      AceFile{"fixedNumericTestV2010.accdb", 14},
                      AceFile{"overflowTestV2010.accdb", 14}, AceFile{"delColTestV2010.accdb", 14},
                      AceFile{"oldDatesV2007.accdb", 12}, AceFile{"testEmoticonsV2010.accdb", 14},
                      AceFile{"unsupportedFieldsTestV2007.accdb", 12}),
    [](const auto& info) {
        std::string s = info.param.name;
        s = s.substr(0, s.find('.'));
        std::replace(s.begin(), s.end(), '-', '_');
        return s;
    });

// A table's rows by the text of one field, read by the engine.
std::map<std::string, engine::Row> rowsBy(jet::Table& table, std::u16string_view field) {
    std::size_t key = 0;
    for (std::size_t c = 0; c < table.columns().size(); ++c)
        if (table.columns()[c].name == field) key = c;
    std::map<std::string, engine::Row> out;
    engine::Row row;
    while (table.next(row)) out[utf8(textOf(row[key]))] = row;
    return out;
}

std::size_t indexOf(const jet::Table& table, std::u16string_view field) {
    for (std::size_t c = 0; c < table.columns().size(); ++c)
        if (table.columns()[c].name == field) return c;
    ADD_FAILURE() << "no field " << utf8(field);
    return 0;
}

long double number(const engine::Value& v) {
    switch (v.type) {
        case Type::Currency:
            return static_cast<long double>(v.integer) / 10000;
        case Type::Decimal:
            return std::stold(utf8(textOf(v)));
        case Type::Single:
        case Type::Double:
            return v.number;
        default:
            return static_cast<long double>(v.integer);
    }
}

// calcFieldTestV2010's calculated fields, each against its expression (from the
// table's properties) worked out from the row's plain fields as mdb-reader reads
// them: mdb-reader reads a calculated value's wrapping as a plain value, so its
// own reading of these fields says nothing.
TEST(AceCalculatedFields, HoldTheirExpressionsResults) {
    const std::string path = aceFixture("calcFieldTestV2010.accdb");
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "ACE fixtures not present";
    if (!haveReader()) GTEST_SKIP() << "node with mdb-reader not installed";
    const json dump = readerDump(path);
    ASSERT_TRUE(dump.is_object());
    const json& theirs = dump["tables"]["Table1"];
    const auto plain = [&](const json& row, const char* field) -> const json& {
        for (std::size_t i = 0; i < theirs["columns"].size(); ++i)
            if (theirs["columns"][i]["name"] == field) return row[i];
        throw std::runtime_error(field);
    };
    auto db = jet::Database::open(path);
    auto table = db->openTable(u"Table1");
    const auto ours = rowsBy(*table, u"ID");
    ASSERT_EQ(ours.size(), theirs["rows"].size());

    struct Expected {
        const char16_t* field;
        Type type;
        // Checks the engine's value against the expression over the plain fields.
        std::function<void(const engine::Value&, const json&, const engine::Row&)> check;
    };
    const auto text = [&](const json& row, const char* field) {
        return fromUtf16Form(plain(row, field).get<std::string>());
    };
    const auto salary = [&](const json& row) {
        return std::stold(plain(row, "Salary").get<std::string>());
    };
    const auto popularity = [&](const json& row) {
        return std::stold(plain(row, "Popularity").get<std::string>());
    };
    const auto near = [](long double got, long double want, long double relative) {
        EXPECT_LE(std::fabs(got - want), relative * std::max<long double>(1, std::fabs(want)))
            << static_cast<double>(got) << " vs " << static_cast<double>(want);
    };
    const std::vector<Expected> fields = {
        {u"LastFirst", Type::Text,  // [LastName] & ", " & [FirstName]
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             EXPECT_EQ(v.text, text(r, "LastName") + u", " + text(r, "FirstName"));
         }},
        {u"LastFirstLen", Type::Long,  // Len([LastFirst])
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             EXPECT_EQ(static_cast<std::size_t>(v.integer),
                       (text(r, "LastName") + u", " + text(r, "FirstName")).size());
         }},
        {u"MonthlySalary", Type::Currency,  // [Salary]/12, to the ten-thousandth
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             near(number(v), salary(r) / 12, 5e-5L);
         }},
        {u"IsRich", Type::Boolean,  // [Salary]>100000
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             EXPECT_EQ(v.boolean, salary(r) > 100000);
         }},
        {u"AllNames", Type::Memo,  // [LastName] & ", " & [FirstName] & "=" & [LastFirst]
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             const std::u16string lastFirst = text(r, "LastName") + u", " + text(r, "FirstName");
             EXPECT_EQ(v.text, lastFirst + u"=" + lastFirst);
         }},
        {u"WeeklySalary", Type::Decimal,  // [Salary]/52
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             near(number(v), salary(r) / 52, 1e-13L);
         }},
        {u"SalaryTest", Type::Currency,  // [Salary]
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             EXPECT_EQ(form(v), plain(r, "Salary"));
         }},
        {u"BoolTest", Type::Boolean,  // True
         [&](const engine::Value& v, const json&, const engine::Row&) { EXPECT_TRUE(v.boolean); }},
        {u"DecimalTest", Type::Decimal,  // [Popularity]
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             EXPECT_EQ(std::stold(utf8(textOf(v))), popularity(r));
         }},
        {u"FloatTest", Type::Single,  // [Salary]*0.13/[DecimalTest]
         [&](const engine::Value& v, const json& r, const engine::Row&) {
             near(number(v), salary(r) * 0.13L / popularity(r), 1e-6L);
         }},
        {u"BigNumTest", Type::Decimal,  // ([Salary]*[MonthlySalary]/[DecimalTest])*34.12342134
         [&](const engine::Value& v, const json& r, const engine::Row& row) {
             const long double monthly = number(row[indexOf(*table, u"MonthlySalary")]);
             near(number(v), salary(r) * monthly / popularity(r) * 34.12342134L, 1e-12L);
         }},
    };
    std::size_t checked = 0;
    for (const json& r : theirs["rows"]) {
        const std::string id = std::to_string(plain(r, "ID").get<long>());
        SCOPED_TRACE("ID " + id);
        const engine::Row& row = ours.at(id);
        for (const Expected& e : fields) {
            SCOPED_TRACE(utf8(e.field));
            const std::size_t c = indexOf(*table, e.field);
            EXPECT_EQ(table->columns()[c].type, e.type);
            ASSERT_EQ(row[c].type, e.type);
            e.check(row[c], r, row);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 44u);
}

// "6/14/2021 10:45:12.3456789 PM" (how Access shows a date, which
// extDateTestV2019 keeps in DateExtStr beside the date itself) as the engine
// writes it: "2021-06-14 22:45:12.3456789", the fraction only when not zero.
std::string isoOfAccessText(const std::string& shown, bool keepFraction) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char fraction[8] = {}, half[3] = {};
    const int n = std::sscanf(shown.c_str(), "%d/%d/%d %d:%d:%d.%7[0-9] %2s", &month, &day, &year,
                              &hour, &minute, &second, fraction, half);
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
    if (n < 8) return out;
    if (std::string(half) == "PM" && hour != 12) hour += 12;
    if (std::string(half) == "AM" && hour == 12) hour = 0;
    std::string iso = out;
    if (hour == 0 && minute == 0 && second == 0 &&
        (!keepFraction || std::string(fraction) == "0000000"))
        return iso;
    std::snprintf(out, sizeof out, " %02d:%02d:%02d", hour, minute, second);
    iso += out;
    if (keepFraction && std::string(fraction) != "0000000") iso += std::string(".") + fraction;
    return iso;
}

// Date/Time Extended and Date/Time as Access shows them. mdb-reader reads the
// Date/Time of a day before 1899-12-30 with a time of day a day and more off
// (1765-06-14 12:45 as 1765-06-13 11:15): it takes the stored number's fraction
// as counting back, where Access counts the time forward from the start of the
// day, as the engine does.
TEST(AceExtendedDates, ReadAsAccessShowsThem) {
    const std::string path = aceFixture("extDateTestV2019.accdb");
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "ACE fixtures not present";
    auto db = jet::Database::open(path);
    auto table = db->openTable(u"Table1");
    const std::size_t ext = indexOf(*table, u"DateExt"), normal = indexOf(*table, u"DateNormal"),
                      shown = indexOf(*table, u"DateExtStr"),
                      calc = indexOf(*table, u"DateNormalCalc");
    EXPECT_EQ(table->columns()[ext].type, Type::DateTimeExtended);
    EXPECT_EQ(table->columns()[calc].type, Type::Date);  // [DateNormal], a calculated Date/Time
    engine::Row row;
    std::size_t compared = 0, withFraction = 0, before1900 = 0;
    while (table->next(row)) {
        SCOPED_TRACE(utf8(textOf(row[0])));
        if (row[shown].isNull()) {
            EXPECT_TRUE(row[ext].isNull());
            EXPECT_TRUE(row[normal].isNull());
            continue;
        }
        const std::string access = utf8(row[shown].text);
        EXPECT_EQ(utf8(textOf(row[ext])), isoOfAccessText(access, true)) << access;
        EXPECT_EQ(utf8(textOf(row[normal])), isoOfAccessText(access, false)) << access;
        ASSERT_EQ(row[calc].type, Type::Date);
        EXPECT_EQ(row[calc].number, row[normal].number);
        withFraction += engine::splitExtDate(row[ext].integer).fraction != 0;
        before1900 += row[normal].number < 0;
        ++compared;
    }
    EXPECT_EQ(compared, 8u);
    EXPECT_EQ(withFraction, 2u);  // rows 6 and 8
    EXPECT_EQ(before1900, 3u);    // 1765, 1265 and 100
}

}  // namespace
