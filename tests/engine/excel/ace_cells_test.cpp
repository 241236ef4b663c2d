// The cells of the types Access 2007-2019 added, read back by xlrd: Large Number
// as a number, Date/Time Extended under the Date/Time rules or, with a fraction
// of a second, as the text that keeps it, attachments and multi-valued fields as
// the text of their joined values.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <limits>

#include "core/conversions.h"
#include "core/error_codes.h"
#include "excel/excel.h"
#include "support.h"

namespace {

using namespace std::chrono;
using engine::Type;
using engine::Value;

Value integer(Type t, std::int64_t i) {
    Value v;
    v.type = t;
    v.integer = i;
    return v;
}

Value ext(sys_days day, long secondsOfDay, std::int32_t fraction = 0) {
    return integer(Type::DateTimeExtended, engine::extTicks(day, seconds{secondsOfDay}, fraction));
}

Value text(Type t, std::u16string s) {
    Value v;
    v.type = t;
    v.text = std::move(s);
    return v;
}

QJsonArray cellAt(const QJsonObject& sheet, int row, int col) {
    for (const auto& c : sheet["cells"].toArray()) {
        const QJsonArray a = c.toArray();
        if (a[0].toInt() == row && a[1].toInt() == col) return a;
    }
    return {};
}

TEST(AceCells, ReadBackByXlrd) {
    support::TempDir dir;
    const std::string path = dir.file("ace.xls");
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr sys_days kDay{year{2021} / 6 / 14};
    constexpr sys_days kMarch1900{year{1900} / 3 / 1};
    struct Case {
        const char* name;
        Value value;
        const char* type;  // as xlrd reports it
        QJsonValue expected;
        const char* format;
    };
    const Case cases[] = {
        // Large Number: the nearest double, 15 significant digits shown.
        {"BigMin", integer(Type::BigInt, kMin), "number", -9223372036854775808.0, "General"},
        {"BigMinPlus1", integer(Type::BigInt, kMin + 1), "number", -9223372036854775808.0,
         "General"},
        {"BigMinus1", integer(Type::BigInt, -1), "number", -1, "General"},
        {"BigZero", integer(Type::BigInt, 0), "number", 0, "General"},
        {"BigOne", integer(Type::BigInt, 1), "number", 1, "General"},
        {"BigRkLast", integer(Type::BigInt, (1 << 29) - 1), "number", (1 << 29) - 1, "General"},
        {"BigRkPast", integer(Type::BigInt, 1 << 29), "number", 1 << 29, "General"},
        {"Big2To53Plus1", integer(Type::BigInt, (std::int64_t{1} << 53) + 1), "number",
         9007199254740992.0, "General"},
        {"BigMaxMinus1", integer(Type::BigInt, kMax - 1), "number", 9223372036854775808.0,
         "General"},
        {"BigMax", integer(Type::BigInt, kMax), "number", 9223372036854775808.0, "General"},
        // Date/Time Extended in whole seconds: the Date/Time rules.
        {"ExtDate", ext(kDay, 0), "date", 44361, "yyyy-mm-dd"},
        {"ExtDateTime", ext(kDay, 45900), "date", 44361.53125, "yyyy-mm-dd hh:mm:ss"},
        {"ExtTimeAlone", ext(engine::kDayZero, 45900), "date", 0.53125, "hh:mm:ss"},
        {"ExtMarch1900", ext(kMarch1900, 0), "date", 61, "yyyy-mm-dd"},
        {"ExtLastSecond", ext(year{9999} / 12 / 31, 86399), "date", 2958465 + 86399 / 86400.0,
         "yyyy-mm-dd hh:mm:ss"},
        {"ExtFeb1900", ext(kMarch1900 - days{1}, 86399), "text", "1900-02-28 23:59:59", "General"},
        {"Ext1765", ext(year{1765} / 6 / 14, 45900), "text", "1765-06-14 12:45:00", "General"},
        {"ExtFirstDay", ext(year{1} / 1 / 1, 0), "text", "0001-01-01", "General"},
        // A fraction of a second no date format here shows: the text keeps it.
        {"ExtFraction", ext(kDay, 81912, 3456789), "text", "2021-06-14 22:45:12.3456789",
         "General"},
        {"ExtOneTick", ext(kDay, 0, 1), "text", "2021-06-14 00:00:00.0000001", "General"},
        {"ExtTimeFraction", ext(engine::kDayZero, 0, 5000000), "text", "00:00:00.5000000",
         "General"},
        {"ExtLastTick", integer(Type::DateTimeExtended, engine::kLastExtTick), "text",
         "9999-12-31 23:59:59.9999999", "General"},
        {"ExtFractionMarch1900", ext(kMarch1900, 0, 1), "text", "1900-03-01 00:00:00.0000001",
         "General"},
        // Complex columns: their joined values.
        {"MultiText", text(Type::ComplexText, u"value1; value4"), "text", "value1; value4",
         "General"},
        {"MultiLong", text(Type::ComplexLong, u"1; 22; 333"), "text", "1; 22; 333", "General"},
        {"Attachment", text(Type::Attachment, u"test_data.txt; test_data2.txt"), "text",
         "test_data.txt; test_data2.txt", "General"},
    };
    std::vector<engine::Column> columns;
    engine::Row row;
    for (const Case& c : cases) {
        columns.push_back({QString::fromUtf8(c.name).toStdU16String(), c.value.type});
        row.push_back(c.value);
    }
    {
        excel::SheetExport out(path, u"Ace", columns);
        out.addRow(row);
        out.addRow(engine::Row(columns.size()));  // Null in each: empty cells
        out.commit();
    }
    const support::Run read = support::python("tests/engine/excel/read_xls.py", {path});
    ASSERT_EQ(read.status, 0) << read.err;
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(read.out)).object();
    ASSERT_EQ(doc["problems"].toArray().size(), 0);
    const QJsonObject sheet = doc["sheets"].toArray()[0].toObject();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const QJsonArray cell = cellAt(sheet, 1, static_cast<int>(i));
        ASSERT_FALSE(cell.isEmpty());
        EXPECT_EQ(cell[2].toString(), c.type);
        if (c.expected.isDouble()) {
            EXPECT_EQ(cell[3].toDouble(), c.expected.toDouble());
        } else {
            EXPECT_EQ(cell[3].toString(), c.expected.toString());
        }
        EXPECT_EQ(cell[4].toString(), c.format);
        EXPECT_TRUE(cellAt(sheet, 2, static_cast<int>(i)).isEmpty());
    }
}

// The joined values of a complex column obey a cell's limit like any text.
TEST(AceCells, JoinedValuesPastACellsLimitStopTheExport) {
    support::TempDir dir;
    const std::string path = dir.file("long.xls");
    for (Type t : {Type::ComplexText, Type::Attachment}) {
        excel::SheetExport out(path, u"Ace", {{u"Tags", t}});
        out.addRow({text(t, std::u16string(32767, u'x'))});
        const QString said = support::expectError(
            engine::kErrFieldTooLong, [&] { out.addRow({text(t, std::u16string(32768, u'x'))}); });
        EXPECT_TRUE(said.contains(QStringLiteral("'Tags' of record 2"))) << said.toStdString();
    }
}

}  // namespace
