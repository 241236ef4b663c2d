// The text forms mkmdb reads: UTF-8, JSON numbers kept exact, hex bytes,
// GUIDs and dates, each at the ends of its range and just past them.
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Json;
using mkmdb::Type;

TEST(MkmdbText, Utf8DecodesEveryLengthAtItsEnds) {
    const struct {
        std::string_view utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"\x7F", u"\u007F"},                  // last one-byte form
        {"\xC2\x80", u"\u0080"},              // first two-byte form
        {"\xDF\xBF", u"\u07FF"},              // last two-byte form
        {"\xE0\xA0\x80", u"\u0800"},          // first three-byte form
        {"\xED\x9F\xBF", u"\uD7FF"},          // just below the surrogates
        {"\xEE\x80\x80", u"\uE000"},          // just above them
        {"\xEF\xBF\xBF", u"\uFFFF"},          // last three-byte form
        {"\xF0\x90\x80\x80", u"\U00010000"},  // first four-byte form: a surrogate pair
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},  // last code point
        {std::string_view("a\0b", 3),
         std::u16string(u"a\0b", 3)},  // NUL is a character like any other
    };
    for (const auto& c : cases) EXPECT_EQ(mkmdb::utf8ToUtf16(c.utf8), c.utf16) << b(c.utf8);
}

TEST(MkmdbText, Utf8RefusesWhatIsNotUtf8) {
    for (std::string_view bad : {
             "\x80",                  // a continuation byte alone
             "\xC0\x80",              // overlong NUL
             "\xC1\xBF",              // overlong U+007F
             "\xE0\x9F\xBF",          // overlong U+07FF
             "\xF0\x8F\xBF\xBF",      // overlong U+FFFF
             "\xED\xA0\x80",          // U+D800, a surrogate
             "\xED\xBF\xBF",          // U+DFFF
             "\xF4\x90\x80\x80",      // U+110000, past the last code point
             "\xF8\x88\x80\x80\x80",  // five-byte form
             "\xFF",                  // never in UTF-8
             "ok\xC3",                // cut at the end
             "\xE2\x82",              // cut three-byte form
             "\xE2\x82x",             // continuation missing
         }) {
        EXPECT_THROW(mkmdb::utf8ToUtf16(bad), std::invalid_argument) << b(bad);
    }
}

// The C++ API takes UTF-8 that the JSON reader would have refused already.
TEST(MkmdbText, BadUtf8InAValueOrANameIsRefusedWithItsPlace) {
    TempDir dir;
    mkmdb::Database db;
    db.addTable("T", {{"Nome", Type::Text, {}}, {"Nota", Type::Memo, {}}})
        .addRow({"giusto", "giusto"})
        .addRow({"giusto", "rotto \xED\xA0\x80"});
    try {
        mkmdb::write(db, dir.file("x.mdb"));
        ADD_FAILURE() << "bad UTF-8 written";
    } catch (const mkmdb::Error& e) {
        EXPECT_EQ(e.column(), "Nota");
        EXPECT_EQ(e.row(), 2u);
        EXPECT_NE(std::string(e.what()).find("not valid UTF-8"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_THROW(db.addTable("Tab\xC0\x80", {{"A", Type::Long, {}}}), mkmdb::Error);
    EXPECT_THROW(db.addTable("U", {{"A\xFF", Type::Long, {}}}), mkmdb::Error);
    EXPECT_THROW(db.setPassword("pw\xE2\x82"), mkmdb::Error);
}

// Whole numbers up to 64 bits arrive as integers; every other number keeps
// the text it was written with.
TEST(MkmdbText, JsonNumbersKeepTheirDigits) {
    const struct {
        const char* json;
        const char* text;
        bool whole;  // arrives as an integer
    } cases[] = {
        {"-9223372036854775808", "-9223372036854775808", true},
        {"-9223372036854775809", "-9223372036854775809", false},
        {"18446744073709551615", "18446744073709551615", true},
        {"18446744073709551616", "18446744073709551616", false},
        {"0", "0", true},
        {"-922337203685477.5808", "-922337203685477.5808", false},
        {"9007199254740993.0", "9007199254740993.0", false},
        {"1E+300", "1E+300", false},
        {"-0.0", "-0.0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        Json doc = mkmdb::parseExactJson(std::string("[") + c.json + "]");
        ASSERT_TRUE(doc.is_array());
        ASSERT_EQ(doc.size(), 1u);
        EXPECT_TRUE(mkmdb::isNumber(doc[0]));
        EXPECT_EQ(doc[0].is_number_integer(), c.whole);
        EXPECT_EQ(mkmdb::numberText(doc[0]), c.text);
    }
    // Past a double's range: refused, not kept as text.
    for (const char* bad : {"[1e400]", "[-1e400]"})
        EXPECT_THROW(mkmdb::parseExactJson(bad), Json::out_of_range) << bad;
    for (const char* bad : {"[1.5", "[01]", "{\"a\":1} x", "[\"\\ud800\"]"})
        EXPECT_THROW(mkmdb::parseExactJson(bad), Json::parse_error) << bad;
}

TEST(MkmdbText, JsonDocumentsKeepTheirShapeAndMemberOrder) {
    Json doc = mkmdb::parseExactJson(
        R"({"z": [1, [true, null], {"k": "v"}], "a": {}, "m": [], "z2": 2.50, "a": "again"})");
    ASSERT_TRUE(doc.is_object());
    std::vector<std::string> keys;
    for (const auto& m : doc.items()) keys.push_back(m.key());
    // A repeated key keeps its first place and its last value.
    EXPECT_EQ(keys, (std::vector<std::string>{"z", "a", "m", "z2"}));
    EXPECT_EQ(doc["a"], "again");
    EXPECT_EQ(doc["z"].dump(), R"([1,[true,null],{"k":"v"}])");
    EXPECT_TRUE(doc["m"].is_array() && doc["m"].empty());
    EXPECT_EQ(mkmdb::numberText(doc["z2"]), "2.50");
    EXPECT_EQ(mkmdb::parseExactJson("\"solo\""), "solo");
    EXPECT_EQ(mkmdb::numberText(mkmdb::parseExactJson("7")), "7");
}

TEST(MkmdbText, GuidsTakeExactlyThirtyTwoHexDigits) {
    mkmdb::Guid g = mkmdb::parseGuid("{FFFFFFFF-0000-ffff-0a0B-000000000001}");
    const std::array<std::uint8_t, 16> expect = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF,
                                                 0x0A, 0x0B, 0,    0,    0, 0, 0,    1};
    EXPECT_EQ(g.bytes, expect);
    EXPECT_NO_THROW(mkmdb::parseGuid("00000000000000000000000000000000"));
    for (const char* bad : {"{0000000-0000-0000-0000-000000000000}",    // 31 digits
                            "{000000000-0000-0000-0000-000000000000}",  // 33 digits
                            "{0000000g-0000-0000-0000-000000000000}",   // not hex
                            "{+0000000-0000-0000-0000-000000000000}",   // a sign
                            "{ 0000000-0000-0000-0000-000000000000}",   // a blank
                            "{00000000-0000-0000-0000-000000000000",    // unbalanced
                            ""})
        EXPECT_THROW(mkmdb::parseGuid(bad), std::invalid_argument) << bad;
}

TEST(MkmdbText, HexBytesInADescription) {
    auto bytesOf = [](const std::string& hex) {
        mkmdb::Database db = mkmdb::parseDescription(
            R"({"tables":[{"name":"T","columns":[{"name":"B","type":"OLE"}],"rows":[[{"hex":")" +
            hex + R"("}]]}]})");
        return db.tables().front().rows().front().front().text();
    };
    EXPECT_EQ(bytesOf("00ff7F80"), std::string("\x00\xff\x7f\x80", 4));
    EXPECT_EQ(bytesOf("0 1 f f"), std::string("\x01\xff", 2));
    EXPECT_EQ(bytesOf(""), "");
    for (const char* bad : {"0", "0g", "-1", "+1", "0x", "fff"})
        EXPECT_THROW(bytesOf(bad), mkmdb::Error) << bad;
}

// Jet's day zero is 1899-12-30; the calendar check is the proleptic
// Gregorian one over years 100..9999.
TEST(MkmdbText, DatesAtTheEndsOfTheirRange) {
    const struct {
        const char* text;
        double days;
    } cases[] = {
        {"0100-01-01", -657434},
        {"1899-12-30", 0},
        {"1899-12-29 23:59:59", -1 - 86399.0 / 86400},
        {"1900-02-28", 60},
        {"1900-03-01", 61},  // 1900 is not a leap year
        {"2000-02-29", 36585},
        {"9999-12-31 23:59:59", 2958465 + 86399.0 / 86400},
    };
    for (const auto& c : cases) EXPECT_EQ(mkmdb::parseDate(c.text).days, c.days) << c.text;
    for (const char* bad :
         {"0099-12-31", "1900-02-29", "2100-02-29", "2023-04-31", "2023-00-10", "2023-12-00",
          "2023-01-01 23:60:00", "2023-01-01 23:59:60", "2023-01-01 12:00", "2023-01-01x"})
        EXPECT_THROW(mkmdb::parseDate(bad), std::invalid_argument) << bad;
}

TEST(MkmdbText, CommandLineCalls) {
    TempDir dir;
    const std::string mkmdb = std::string(CONVERTI_BIN_DIR) + "/mkmdb";
    const std::string out = shellQuote(dir.file("o.mdb").string());
    const std::string description =
        R"({"tables":[{"name":"T","columns":[{"name":"A","type":"Long"}],"rows":[[1]]}]})";
    std::ofstream(dir.file("d.json")) << description;
    const std::string file = shellQuote(dir.file("d.json").string());
    const struct {
        std::string args;
        int status;
        const char* says;  // part of the output; "" for no check
    } cases[] = {
        {"--help", 0, "DESCRIPTION"},
        {"-h", 0, "OUTPUT"},
        {"", 2, "Usage:"},
        {file, 2, "Usage:"},
        {file + " " + out + " extra", 2, "Usage:"},
        {"--nope " + file + " " + out, 2, "Unknown option 'nope'"},
        {"-v " + file + " " + out, 0, "1 tables, 1 rows"},
        {"--verbose - " + out + " < " + file, 0, "1 tables, 1 rows"},
        {file + " " + out, 0, ""},
        {shellQuote(dir.file("missing.json").string()) + " " + out, 1, "cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        std::filesystem::remove(dir.file("o.mdb"));
        CommandResult r = run(mkmdb + " " + c.args + " 2>&1");
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_EQ(std::filesystem::exists(dir.file("o.mdb")),
                  c.status == 0 && c.args.find(out) != std::string::npos);
    }
}

}  // namespace
