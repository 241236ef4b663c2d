#include <gtest/gtest.h>

#include "error/error.h"
#include "toolkit/toolkit.h"

namespace {

TEST(Ansi, CharactersOfCodes) {
    struct Row {
        int code;
        char16_t ch;
    };
    const Row rows[] = {{8, 8},       {13, 13},       {'a', 'a'},   {'.', '.'},   {0x80, 0x20AC},
                        {0x81, 0x81}, {0x9F, 0x0178}, {0xA0, 0xA0}, {0xE8, 0xE8}, {0xFF, 0xFF}};
    for (const Row& r : rows) {
        const QString s = toolkit::ansiChar(static_cast<std::int16_t>(r.code));
        ASSERT_EQ(s.size(), 1) << r.code;
        EXPECT_EQ(s.at(0).unicode(), r.ch) << r.code;
        EXPECT_EQ(toolkit::ansiCode(s.at(0)), r.code) << r.code;
    }
    EXPECT_EQ(toolkit::ansiCode(QChar(0x0436)), 63);
}

TEST(Ansi, OutOfRangeRaisesInvalidProcedureCall) {
    for (int code : {-1, 256, -32768}) {
        try {
            toolkit::ansiChar(static_cast<std::int16_t>(code));
            ADD_FAILURE() << code;
        } catch (const converti::Error& e) {
            EXPECT_EQ(e.number(), toolkit::kErrInvalidProcedureCall);
        }
    }
}

}  // namespace
