// The decoders of what Access 2007-2019 added, byte by byte: Date/Time Extended
// values, the wrapping of calculated values, a calculated Decimal, the property
// blob that holds a calculated field's result type.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "core/conversions.h"
#include "jet/format.h"
#include "jet/properties.h"
#include "jet/row_reader.h"

namespace {

using namespace std::chrono;
using namespace std::string_literals;

// A stored Date/Time Extended value from its three digit fields.
std::string extDate(const std::string& days, const std::string& seconds,
                    const std::string& fraction) {
    return days + ":" + seconds + fraction + ":7" + std::string(1, '\0');
}

std::string digits(long long v, int width) {
    std::string s = std::to_string(v);
    return std::string(static_cast<std::size_t>(width) - s.size(), '0') + s;
}

std::int64_t ticksOf(sys_days day, long secondsOfDay, int fraction) {
    return engine::extTicks(day, seconds{secondsOfDay}, fraction);
}

TEST(AceExtDate, ReadsEveryDayAndTickAccessKeeps) {
    constexpr sys_days kFirst{year{1} / 1 / 1};
    constexpr sys_days kLast{year{9999} / 12 / 31};
    const long lastDay = (kLast - kFirst).count();
    struct Case {
        const char* what;
        std::string bytes;
        std::int64_t ticks;
    };
    const Case cases[] = {
        {"the first tick", extDate(digits(0, 19), digits(0, 12), "0000000"), 0},
        {"the first day's last tick", extDate(digits(0, 19), digits(86399, 12), "9999999"),
         engine::kTicksPerDay - 1},
        {"the second day", extDate(digits(1, 19), digits(0, 12), "0000000"), engine::kTicksPerDay},
        {"one tick", extDate(digits(0, 19), digits(0, 12), "0000001"), 1},
        {"the last day", extDate(digits(lastDay, 19), digits(0, 12), "0000000"),
         ticksOf(kLast, 0, 0)},
        {"the last tick", extDate(digits(lastDay, 19), digits(86399, 12), "9999999"),
         engine::kLastExtTick},
        {"Jet's day zero",
         extDate(digits((engine::kDayZero - kFirst).count(), 19), digits(0, 12), "0000000"),
         ticksOf(engine::kDayZero, 0, 0)},
        {"noon of the day before day zero",
         extDate(digits((engine::kDayZero - kFirst).count() - 1, 19), digits(43200, 12), "0000000"),
         ticksOf(engine::kDayZero - days{1}, 43200, 0)},
        {"1900-02-28 23:59:59.9999999",
         extDate(digits((sys_days{year{1900} / 2 / 28} - kFirst).count(), 19), digits(86399, 12),
                 "9999999"),
         ticksOf(sys_days{year{1900} / 2 / 28}, 86399, 9999999)},
        {"1900-03-01",
         extDate(digits((sys_days{year{1900} / 3 / 1} - kFirst).count(), 19), digits(0, 12),
                 "0000000"),
         ticksOf(sys_days{year{1900} / 3 / 1}, 0, 0)},
        {"a fraction of seven digits", extDate(digits(737954, 19), digits(81912, 12), "3456789"),
         ticksOf(kFirst + days{737954}, 81912, 3456789)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.bytes.size(), static_cast<std::size_t>(jet::kExtDateSize));
        std::int64_t ticks = -1;
        ASSERT_TRUE(
            jet::parseExtDate(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), &ticks));
        EXPECT_EQ(ticks, c.ticks);
    }
}

TEST(AceExtDate, RefusesWhatIsNoDate) {
    constexpr sys_days kFirst{year{1} / 1 / 1};
    const long past = (sys_days{year{9999} / 12 / 31} - kFirst).count() + 1;
    const std::string good = extDate(digits(737954, 19), digits(81912, 12), "3456789");
    const auto with = [&](std::size_t at, char c) {
        std::string b = good;
        b[at] = c;
        return b;
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"the day after 9999-12-31", extDate(digits(past, 19), digits(0, 12), "0000000")},
        {"the largest day count", extDate(std::string(19, '9'), digits(0, 12), "0000000")},
        {"second 86400", extDate(digits(0, 19), digits(86400, 12), "0000000")},
        {"the largest second count", extDate(digits(0, 19), std::string(12, '9'), "0000000")},
        {"a letter in the days", with(0, 'a')},
        {"a space in the days", with(18, ' ')},
        {"a digit for the separator", with(19, '0')},
        {"a sign in the seconds", with(20, '-')},
        {"a slash, just below '0', in the fraction", with(38, '/')},
        {"a colon, just above '9', in the fraction", with(32, ':')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::int64_t ticks = 0;
        EXPECT_FALSE(
            jet::parseExtDate(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), &ticks));
    }
}

// A calculated value: 16 bytes, the result's length, the result, padding.
std::string wrapped(std::uint32_t length, const std::string& result, std::size_t padding = 3) {
    std::string b(jet::kCalcResultLength, '\x11');
    for (int i = 0; i < 4; ++i) b += static_cast<char>(length >> (8 * i));
    return b + result + std::string(padding, '\0');
}

TEST(AceCalculated, UnwrapsResultsUpToTheirValuesEnd) {
    struct Case {
        const char* what;
        std::string bytes;
        bool ok;
        std::string result;
    };
    const Case cases[] = {
        {"an empty result", wrapped(0, ""), true, ""},
        {"an empty result and nothing after", wrapped(0, "", 0), true, ""},
        {"a Long", wrapped(4, "\x2a\0\0\0"s), true, "\x2a\0\0\0"s},
        {"a result filling the value", wrapped(3, "abc", 0), true, "abc"},
        {"a length one past the value", wrapped(4, "abc", 0), false, ""},
        {"the largest length", wrapped(0xffffffffu, "abc"), false, ""},
        {"one byte short of the length field", std::string(jet::kCalcResult - 1, '\0'), false, ""},
        {"nothing", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint8_t* result = nullptr;
        std::size_t size = 99;
        const auto* p = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
        ASSERT_EQ(jet::unwrapCalculated(p, c.bytes.size(), &result, &size), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(result), size), c.result);
        EXPECT_EQ(result, p + jet::kCalcResult);
    }
}

std::string oleDecimal(unsigned char scale, unsigned char sign, std::uint32_t high,
                       std::uint64_t low) {
    std::string b(2, '\0');
    b += static_cast<char>(scale);
    b += static_cast<char>(sign);
    for (int i = 0; i < 4; ++i) b += static_cast<char>(high >> (8 * i));
    for (int i = 0; i < 8; ++i) b += static_cast<char>(low >> (8 * i));
    return b;
}

TEST(AceCalculated, DecimalsAsOleDecimals) {
    using u128 = unsigned __int128;
    struct Case {
        const char* what;
        std::string bytes;
        u128 mantissa;
        int scale;
        bool negative;
    };
    const Case cases[] = {
        {"zero", oleDecimal(0, 0, 0, 0), 0, 0, false},
        {"50.325 at scale 6 (calcFieldTestV2010)", oleDecimal(6, 0, 0, 50325000), 50325000, 6,
         false},
        {"the low 64 bits full", oleDecimal(0, 0, 0, ~0ull), ~0ull, 0, false},
        {"one past them, in the high word", oleDecimal(0, 0, 1, 0), u128(1) << 64, 0, false},
        {"the largest 96-bit mantissa, scale 28, negative",
         oleDecimal(28, 0x80, 0xffffffffu, ~0ull), (u128(1) << 96) - 1, 28, true},
        {"any nonzero sign byte is negative", oleDecimal(2, 1, 0, 5), 5, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine::Decimal d;
        ASSERT_TRUE(jet::parseCalculatedDecimal(
            reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(), &d));
        EXPECT_TRUE(d.mantissa == c.mantissa);
        EXPECT_EQ(d.scale, c.scale);
        EXPECT_EQ(d.negative, c.negative);
    }
    const std::string shortOne = oleDecimal(0, 0, 0, 1).substr(0, jet::kCalcDecimalSize - 1);
    engine::Decimal d;
    EXPECT_FALSE(jet::parseCalculatedDecimal(reinterpret_cast<const std::uint8_t*>(shortOne.data()),
                                             shortOne.size(), &d));
}

// Property blobs: the signature, a names block, value blocks.
struct Blob {
    std::string bytes = std::string("MR2\0", 4);

    static std::string u16(std::size_t v) {
        return {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    }
    static std::string u32(std::size_t v) { return u16(v & 0xffff) + u16(v >> 16); }
    static std::string name(std::u16string_view s) {
        std::string b = u16(2 * s.size());
        for (char16_t c : s) b += u16(c);
        return b;
    }
    Blob& block(std::uint16_t kind, const std::string& body) {
        bytes += u32(6 + body.size()) + u16(kind) + body;
        return *this;
    }
    Blob& names(std::initializer_list<std::u16string_view> list) {
        std::string body;
        for (auto n : list) body += name(n);
        return block(jet::kPropertyNames, body);
    }
    // A value: DDL flag, type, name index, data.
    static std::string value(std::uint8_t type, std::size_t index, const std::string& data) {
        std::string rest =
            std::string(1, '\0') + static_cast<char>(type) + u16(index) + u16(data.size()) + data;
        return u16(2 + rest.size()) + rest;
    }
    Blob& values(std::u16string_view map, const std::string& values) {
        const std::string mapName = map.empty() ? u16(0) : name(map);
        return block(jet::kPropertyColumnValues, u32(4 + mapName.size()) + mapName + values);
    }
};

TEST(AceProperties, ReadsEveryMapAndValue) {
    const Blob blob =
        Blob()
            .names({u"GUID", u"ResultType", u"Expression"})
            .block(0, Blob::u32(6) + Blob::u16(0) + Blob::value(9, 0, std::string(16, 'g')))
            .values(u"Total", Blob::value(2, 1, "\x05") + Blob::value(12, 2, "[a]"))
            .values(u"Name", Blob::value(2, 1, "\x0a"));
    const auto props = jet::parseProperties(blob.bytes);
    ASSERT_TRUE(props.has_value());
    ASSERT_EQ(props->size(), 4u);
    EXPECT_EQ((*props)[0].map, u"");
    EXPECT_EQ((*props)[0].name, u"GUID");
    EXPECT_EQ((*props)[0].data, std::string(16, 'g'));
    EXPECT_EQ((*props)[1].map, u"Total");
    EXPECT_EQ((*props)[1].name, u"ResultType");
    EXPECT_EQ((*props)[1].type, 2);
    EXPECT_EQ((*props)[1].data, "\x05");
    EXPECT_EQ((*props)[2].name, u"Expression");
    EXPECT_EQ((*props)[2].data, "[a]");
    EXPECT_EQ((*props)[3].map, u"Name");
    EXPECT_EQ((*props)[3].data, "\x0a");

    const auto none = jet::parseProperties("");
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(AceProperties, DamageIsNoProperties) {
    const std::string names = Blob().names({u"ResultType"}).bytes;
    const auto cut = [](std::string b, std::size_t n) { return b.substr(0, b.size() - n); };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"another signature", "KKD" + std::string(1, '\0') + names.substr(4)},
        {"a signature cut short", std::string("MR2", 3)},
        {"a block longer than the blob", cut(names, 1)},
        {"a block length below its header",
         std::string("MR2\0", 4) + Blob::u32(5) + Blob::u16(0x80)},
        {"a block header cut short",
         std::string("MR2\0", 4) + Blob::u32(6) + std::string(1, '\x80')},
        {"a name longer than its block",
         Blob().block(jet::kPropertyNames, Blob::u16(10) + "ab").bytes},
        {"a name index past the names",
         Blob().names({u"A"}).values(u"c", Blob::value(2, 1, "x")).bytes},
        {"values before any names", Blob().values(u"c", Blob::value(2, 0, "x")).bytes},
        {"a value length below its header",
         Blob().names({u"A"}).values(u"c", Blob::u16(7) + std::string(5, '\0')).bytes},
        {"a value's data past its value",
         Blob()
             .names({u"A"})
             .values(u"c", Blob::u16(8) + std::string(2, '\0') + Blob::u16(0) + Blob::u16(1))
             .bytes},
        {"a map name part shorter than its length",
         Blob().names({u"A"}).block(jet::kPropertyColumnValues, Blob::u32(3)).bytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(jet::parseProperties(c.bytes).has_value());
    }
}

}  // namespace
