// The LIKE table: every pattern form against matching and non-matching texts.

#include <gtest/gtest.h>

#include "sql/like_internal.h"
#include "sql_test_util.h"

namespace {

using sql_test::utf8;

struct LikeCase {
    std::u16string_view pattern;
    std::u16string_view text;
    bool matches;
};

const LikeCase kLike[] = {
    // Plain text: whole-text match, case ignored.
    {u"Roma", u"Roma", true},
    {u"Roma", u"roma", true},
    {u"Roma", u"ROMA", true},
    {u"Roma", u"Romano", false},
    {u"Roma", u"La Roma", false},
    {u"Roma", u"", false},
    {u"", u"", true},
    {u"", u"a", false},
    // '*': any run, including none.
    {u"*", u"", true},
    {u"*", u"anything", true},
    {u"**", u"", true},
    {u"**", u"x", true},
    {u"*Roma*", u"Roma", true},
    {u"*Roma*", u"Via di roma 3", true},
    {u"*Roma*", u"Rom", false},
    {u"*Roma*", u"R o m a", false},
    {u"Ro*", u"Roma", true},
    {u"Ro*", u"aRoma", false},
    {u"*ma", u"Roma", true},
    {u"*ma", u"Romano", false},
    {u"*oma*", u"ROMA", true},  // "*literal*" takes a substring search of its own
    {u"*oma*", u"om", false},
    {u"*OMA*", u"aaomaomx", true},
    {u"*ẞE*", u"la straße", true},
    {u"*a*", u"😀A", true},
    {u"*€*", u"10 €", true},
    {u"a*b*c", u"abc", true},
    {u"a*b*c", u"aXbYc", true},
    {u"a*b*c", u"aXbYcZ", false},
    {u"a*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    {u"*aab", u"aaaaab", true},
    // '?': exactly one character.
    {u"R?ma", u"Roma", true},
    {u"R?ma", u"Rma", false},
    {u"R?ma", u"Rooma", false},
    {u"?", u"", false},
    {u"???", u"abc", true},
    {u"*?", u"", false},
    // '#': one digit, '0' to '9' and nothing either side ('/' and ':').
    {u"#", u"7", true},
    {u"#", u"0", true},
    {u"#", u"9", true},
    {u"#", u"/", false},
    {u"#", u":", false},
    {u"#", u"a", false},
    {u"#", u"", false},
    {u"A##", u"a12", true},
    {u"A##", u"a1x", false},
    {u"*#*", u"via 5", true},
    {u"*#*", u"via", false},
    // Sets, negated sets and ranges, case ignored.
    // Each range at both ends and just outside them, both cases of a letter, and
    // the negated form the other way round.
    {u"[abc]", u"b", true},
    {u"[abc]", u"B", true},
    {u"[abc]", u"a", true},
    {u"[abc]", u"c", true},
    {u"[abc]", u"`", false},
    {u"[abc]", u"d", false},
    {u"[abc]", u"", false},
    {u"[!abc]", u"d", true},
    {u"[!abc]", u"`", true},
    {u"[!abc]", u"A", false},
    {u"[!abc]", u"c", false},
    {u"[!abc]", u"", false},
    {u"[a-f]x", u"Cx", true},
    {u"[a-f]x", u"ax", true},
    {u"[a-f]x", u"fx", true},
    {u"[a-f]x", u"Ax", true},
    {u"[a-f]x", u"Fx", true},
    {u"[a-f]x", u"`x", false},
    {u"[a-f]x", u"gx", false},
    {u"[a-f]x", u"@x", false},
    {u"[a-f]x", u"Gx", false},
    {u"[A-F]", u"c", true},
    {u"[A-F]", u"A", true},
    {u"[A-F]", u"F", true},
    {u"[A-F]", u"a", true},
    {u"[A-F]", u"f", true},
    {u"[A-F]", u"@", false},
    {u"[A-F]", u"G", false},
    {u"[A-F]", u"`", false},
    {u"[A-F]", u"g", false},
    {u"[0-9]", u"0", true},
    {u"[0-9]", u"9", true},
    {u"[0-9]", u"/", false},
    {u"[0-9]", u":", false},
    {u"[!0-9]*", u"x12", true},
    {u"[!0-9]*", u"1x", false},
    {u"[!0-9]", u"0", false},
    {u"[!0-9]", u"9", false},
    {u"[!0-9]", u"/", true},
    {u"[!0-9]", u":", true},
    {u"[!a-c]", u"a", false},
    {u"[!a-c]", u"c", false},
    {u"[!a-c]", u"C", false},
    {u"[!a-c]", u"`", true},
    {u"[!a-c]", u"d", true},
    {u"[!a-c]", u"D", true},
    {u"[a-cx-z]", u"y", true},
    {u"[a-cx-z]", u"m", false},
    {u"[a-cx-z]", u"a", true},
    {u"[a-cx-z]", u"c", true},
    {u"[a-cx-z]", u"x", true},
    {u"[a-cx-z]", u"z", true},
    {u"[a-cx-z]", u"d", false},
    {u"[a-cx-z]", u"w", false},
    {u"[a-cx-z]", u"{", false},
    {u"[c-c]", u"c", true},
    {u"[c-c]", u"b", false},
    {u"[c-c]", u"d", false},
    {u"[-a]", u"-", true},
    // A '-' first (after '!' too) stands for itself; the next '-' starts no range
    // from it: [--x] holds '-' and 'x' only, not the range from '-' to 'x'.
    {u"[--x]", u"-", true},
    {u"[--x]", u"x", true},
    {u"[--x]", u"X", true},
    {u"[--x]", u".", false},
    {u"[--x]", u"a", false},
    {u"[--x]", u"w", false},
    {u"[!--x]", u"a", true},
    {u"[!--x]", u"-", false},
    {u"[!--x]", u"x", false},
    {u"[-a-c]", u"-", true},
    {u"[-a-c]", u"c", true},
    {u"[-a-c]", u"d", false},
    {u"[a-]", u"-", true},
    {u"[a-]", u"b", false},
    {u"[!]", u"q", true},
    {u"a[]b", u"ab", true},
    // A special character in brackets stands for itself.
    {u"[*]", u"*", true},
    {u"[*]", u"x", false},
    {u"[?]", u"?", true},
    {u"[?]", u"a", false},
    {u"[#]", u"#", true},
    {u"[#]", u"1", false},
    {u"[[]", u"[", true},
    {u"a[[]1]", u"a[1]", true},
    {u"*[*]*", u"5*3", true},
    {u"*[*]*", u"53", false},
    {u"100[%]", u"100%", true},
    // Outside brackets ']' and '!' are ordinary; '%' and '_' are not wildcards.
    {u"a]", u"a]", true},
    {u"!a", u"!a", true},
    {u"%", u"x", false},
    {u"_", u"x", false},
    {u"a%", u"a%", true},
    // Case folding beyond ASCII.
    {u"città", u"CITTÀ", true},
    {u"É*", u"école", true},
    {u"[é]", u"É", true},
    {u"[à-ê]", u"É", true},
    {u"[à-è]", u"É", false},
    {u"[à-è]", u"À", true},
    {u"[à-è]", u"È", true},
    {u"[à-è]", u"ß", false},  // U+00DF, just below à
    {u"[À-È]", u"à", true},
    {u"[À-È]", u"è", true},
    {u"[À-È]", u"É", false},
    {u"straße", u"STRAẞE", true},    // capital sharp s folds to ß
    {u"straße", u"STRASSE", false},  // simple folding: ß is not "ss"
    {u"οδος", u"ΟΔΟΣ", true},
    {u"ΟΔΟΣ", u"οδος", true},  // final sigma folds with sigma
    {u"*ΣΟΦ*", u"φιλοσοφία", true},
    {u"ПРИВЕТ", u"привет", true},
    // Characters outside the BMP are one character each, and fold.
    {u"?", u"😀", true},
    {u"??", u"😀", false},
    {u"*😀*", u"a😀b", true},
    {u"[😀😃]", u"😃", true},
    {u"[!😀]", u"😃", true},
    {u"*[!😀]", u"😀", false},  // a star never stops inside a pair
    {u"*[!a]", u"a😀", true},
    {u"𐐀", u"𐐨", true},  // Deseret capital and small long i
    {u"a?c", u"a\U0001F600c", true},
};

TEST(SqlLike, PatternTable) {
    for (const LikeCase& c : kLike) {
        auto pattern = sql::LikePattern::compile(c.pattern);
        ASSERT_TRUE(pattern) << utf8(c.pattern);
        EXPECT_EQ(pattern->matches(c.text), c.matches)
            << "'" << utf8(c.text) << "' like '" << utf8(c.pattern) << "'";
    }
}

TEST(SqlLike, OnlyStarsMatchAnyText) {
    for (std::u16string_view p : {u"*", u"**", u"***"})
        EXPECT_TRUE(sql::LikePattern::compile(p)->matchesAnyText()) << utf8(p);
    for (std::u16string_view p : {u"", u"*a*", u"*?", u"[*]"})
        EXPECT_FALSE(sql::LikePattern::compile(p)->matchesAnyText()) << utf8(p);
}

TEST(SqlLike, LoneSurrogatesAreCharacters) {
    const char16_t high[] = {0xD83D, 0};
    const char16_t lowThenA[] = {0xDE00, u'a', 0};
    EXPECT_TRUE(sql::LikePattern::compile(u"?")->matches(high));
    EXPECT_TRUE(sql::LikePattern::compile(u"?a")->matches(lowThenA));
    EXPECT_TRUE(sql::LikePattern::compile(high)->matches(high));
    EXPECT_FALSE(sql::LikePattern::compile(high)->matches(u"😀"));
}

TEST(SqlLike, RefusesBrokenPatterns) {
    for (std::u16string_view p : {u"[", u"[abc", u"a[!", u"[z-a]", u"[9-0]x", u"[a-"}) {
        std::u16string why;
        EXPECT_FALSE(sql::LikePattern::compile(p, &why)) << utf8(p);
        EXPECT_FALSE(why.empty()) << utf8(p);
    }
}

TEST(SqlLike, LongTextsStayFast) {
    // Backtracking to the last star only: a long near-miss is linear per star.
    std::u16string text(200000, u'a');
    auto p = sql::LikePattern::compile(u"*a*a*a*b*");
    EXPECT_FALSE(p->matches(text));
    text.back() = u'B';
    EXPECT_TRUE(p->matches(text));
}

}  // namespace
