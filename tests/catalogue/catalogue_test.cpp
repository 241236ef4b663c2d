// The catalogue's pure parts: the ".mdb" test, the "MSYS" filter and the type words.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(NamesDatabase, LastFourCharactersExactlyDotMdb) {
    struct Row {
        const char* candidate;
        bool names;
    };
    const Row rows[] = {
        {"C:\\data\\base.mdb", true},
        {"C:\\DATA\\BASE.MDB", false},
        {"base.Mdb", false},
        {".mdb", true},
        {"mdb", false},
        {"", false},
        {"a.mdbx", false},
        {"a.mdb\b", false},
        {"a.mdb\r", false},
        {"a.mdb ", false},
        {"x.mdb.mdb", true},
        {"a.md", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(catalogue::namesDatabase(QString::fromLatin1(r.candidate)), r.names)
            << r.candidate;
}

TEST(IsSystemTable, UpperCaseContainsMsysAnywhere) {
    struct Row {
        const char* name;
        bool system;
    };
    const Row rows[] = {
        {"MSysObjects", true}, {"Clienti", false},    {"ItemSystem", true}, {"Sysop", false},
        {"msysACEs", true},    {"xmsys", true},       {"MSY", false},       {"M_SYS", false},
        {"", false},           {"Ordini MSYS", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(catalogue::isSystemTable(QString::fromLatin1(r.name)), r.system) << r.name;
}

TEST(TypeWord, EveryCodeOfTheTableAndNothingElse) {
    const std::map<int, QString> words = {
        {1, "Boolean"},  {2, "Byte"},        {3, "Integer"}, {4, "Long"},
        {5, "Currency"}, {6, "Single"},      {7, "Double"},  {8, "Date"},
        {10, "Text"},    {11, "LongBinary"}, {12, "Memo"},   {15, "GUID"},
    };
    for (int code = -32768; code <= 32767; ++code) {
        const auto it = words.find(code);
        const QString expected = it == words.end() ? QString() : it->second;
        ASSERT_EQ(catalogue::typeWord(static_cast<std::int16_t>(code)), expected) << code;
    }
}

struct CountingRecordset : engine::Recordset {
    int* closes;
    bool failClose = false;
    explicit CountingRecordset(int* c) : closes(c) {}
    std::int16_t fieldCount() const override { return 0; }
    QString fieldName(std::int16_t) const override { return {}; }
    std::int16_t fieldType(std::int16_t) const override { return 0; }
    void close() override {
        ++*closes;
        if (failClose) throw converti::Error(3420, "x");
    }
};

TEST(ScopedRecordset, ClosedOnceOnTheNormalPath) {
    int closes = 0;
    {
        catalogue::ScopedRecordset rs(std::make_unique<CountingRecordset>(&closes));
        rs.close();
    }
    EXPECT_EQ(closes, 1);
}

TEST(ScopedRecordset, ClosedWhenAnErrorLeavesTheRoutine) {
    int closes = 0;
    try {
        catalogue::ScopedRecordset rs(std::make_unique<CountingRecordset>(&closes));
        throw converti::Error(3265, "Item not found in this collection.");
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), 3265);  // the first error, not a close error
    }
    EXPECT_EQ(closes, 1);
}

TEST(ScopedRecordset, AFailingCloseOnTheNormalPathPassesOn) {
    int closes = 0;
    auto rs = std::make_unique<CountingRecordset>(&closes);
    rs->failClose = true;
    catalogue::ScopedRecordset scoped(std::move(rs));
    EXPECT_THROW(scoped.close(), converti::Error);
    EXPECT_EQ(closes, 1);
}

}  // namespace
