// The order of names: alphabetical as a reader expects, total, and for names of
// ASCII letters, digits and blanks the same as a case-insensitive comparison of
// code units with ties by exact name.
#include "core/name_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::string utf8(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int sign(int v) { return (v > 0) - (v < 0); }

TEST(NameOrder, ComparesAsAReaderExpects) {
    struct Case {
        std::u16string_view a;
        std::u16string_view b;
        int order;  // -1: a first
    };
    const Case cases[] = {
        // An accented first letter beside its base letter.
        {u"Élenco", u"Fatture", -1},
        {u"Élenco", u"Zona", -1},
        {u"Ärger", u"Arzt", -1},
        {u"Ørsted", u"Oslo", -1},
        {u"Dati", u"Élenco", -1},
        // Accents decide only between names otherwise equal, plain first.
        {u"Elenco", u"Élenco", -1},
        {u"Élenco", u"Elenco2", -1},
        {u"élan", u"Elz", -1},
        // Case decides only between names otherwise equal, by code units.
        {u"ABC", u"abc", -1},
        {u"ABC", u"Abc", -1},
        {u"Abc", u"abc", -1},
        {u"abc", u"ABD", -1},
        {u"Élenco", u"élenco", -1},
        {u"elenco", u"Élenco", -1},
        // Other scripts: after Latin, letters beside their base, case last.
        {u"Zona", u"Ωμέγα", -1},
        {u"αλφα", u"Ωμέγα", -1},
        {u"Ωμέγα", u"Ежик", -1},
        {u"Ежик", u"Ёлка", -1},
        {u"Ёлка", u"中文", -1},
        // Digits and blanks: a blank before a digit before a letter, digit by digit.
        {u"a b", u"a1", -1},
        {u"a1", u"ab", -1},
        {u"A B", u"ab", -1},
        {u"a10", u"a9", -1},
        {u"Tabella 2", u"Tabella10", -1},
        {u"2024", u"Anno", -1},
        // A name before its own continuations; only identical names are equal.
        {u"", u"a", -1},
        {u"Fatt", u"Fatture", -1},
        {u"Fatture", u"Fatture", 0},
        {u"", u"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(c.a) + " / " + utf8(c.b));
        EXPECT_EQ(sign(engine::compareNames(c.a, c.b)), c.order);
        EXPECT_EQ(sign(engine::compareNames(c.b, c.a)), -c.order);
        EXPECT_EQ(engine::nameBefore(c.a, c.b), c.order < 0);
    }
}

TEST(NameOrder, SortsATablesList) {
    std::vector<std::u16string> names = {u"Zona", u"Fatture", u"élenco", u"Élenco", u"Elenco",
                                         u"fatture", u"Ärger", u"Arzt", u"10 Anni"};
    std::sort(names.begin(), names.end(), engine::nameBefore);
    const std::vector<std::u16string> expected = {u"10 Anni", u"Ärger",  u"Arzt",
                                                  u"Elenco",  u"Élenco", u"élenco",
                                                  u"Fatture", u"fatture", u"Zona"};
    EXPECT_EQ(names, expected);
}

// The order names of ASCII letters, digits and blanks had before accents were
// placed: letters compared without case, ties by code units.
int asciiOrder(std::u16string_view a, std::u16string_view b) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (fold(a[i]) != fold(b[i])) return fold(a[i]) < fold(b[i]) ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b));
}

TEST(NameOrder, AsciiNamesKeepTheirOrder) {
    const std::u16string_view alphabet = u"aAbBmMzZ019 ";
    std::mt19937 random(18);
    std::vector<std::u16string> names;
    for (int k = 0; k < 3000; ++k) {
        std::u16string name(random() % 5, u' ');
        for (char16_t& c : name) c = alphabet[random() % alphabet.size()];
        names.push_back(name);
    }
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        for (std::size_t j : {i + 1, static_cast<std::size_t>(random() % names.size())}) {
            ASSERT_EQ(sign(engine::compareNames(names[i], names[j])),
                      asciiOrder(names[i], names[j]))
                << utf8(names[i]) << " / " << utf8(names[j]);
        }
    }
}

}  // namespace
