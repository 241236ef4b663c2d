#pragma once
// A compiled LIKE pattern of the Jet dialect: '*' any run of characters, '?' one
// character, '#' one digit 0-9, '[abc]' one of, '[!abc]' none of, '[a-z]' a range;
// inside brackets every other character is literal ([*], [?], [#], [[]), a '-' first
// or last is literal, and '[]' matches nothing (zero characters). Outside brackets
// ']' and '!' are literal. Matching ignores case (simple case folding per code point)
// and treats a surrogate pair as one character.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sql {

class LikePattern {
public:
    // Nullopt for an unusable pattern: an unclosed '[' or a descending range such as
    // [z-a]. why, when given, receives a short reason.
    static std::optional<LikePattern> compile(std::u16string_view pattern,
                                              std::u16string* why = nullptr);

    // The same for a pattern of the WHERE clause `whereText`: throws converti::Error
    // 3075 "Invalid pattern string ..." naming pattern, reason and clause, the one
    // place that error is raised.
    static LikePattern compileOrRaise(std::u16string_view pattern, std::u16string_view whereText);

    // Does not allocate.
    bool matches(std::u16string_view text) const;

    // True when the pattern is only '*'s: every text matches.
    bool matchesAnyText() const { return anyText_; }

private:
    enum class Op : std::uint8_t { Char, AnyChar, Digit, Set, Star };
    struct Range {
        char32_t lo, hi;
    };
    struct Element {
        Op op;
        bool negated = false;
        char32_t ch = 0;          // Char: the folded character
        std::uint32_t first = 0;  // Set: ranges_[first, first + count)
        std::uint32_t count = 0;
    };

    // Reads a bracket set from just past its '[' to past its ']'; false, with
    // the reason in why when given, for a descending range or a missing ']'.
    bool addSet(std::u16string_view pattern, std::size_t& i, std::u16string* why);
    bool matchesOne(const Element& e, char32_t c) const;
    bool contains(std::u16string_view text) const;

    std::vector<Element> elements_;
    std::vector<Range> ranges_;
    bool anyText_ = false;
    // "*literal*" with a literal of BMP characters, the export's usual pattern: a
    // substring search over folded UTF-16 units, which is exact for such literals.
    std::u16string infix_;
    bool isInfix_ = false;
};

}  // namespace sql
