#include "core/error_codes.h"
#include "core/qt_text.h"
#include "fold_internal.h"
#include "like_internal.h"

namespace sql {

std::optional<LikePattern> LikePattern::compile(std::u16string_view pattern, std::u16string* why) {
    LikePattern p;
    std::size_t i = 0;
    while (i < pattern.size()) {
        std::size_t len;
        char32_t c = codePointAt(pattern, i, len);
        i += len;
        if (c == '*') {
            // Runs of stars mean the same as one; keeping one keeps matching linear.
            if (p.elements_.empty() || p.elements_.back().op != Op::Star)
                p.elements_.push_back({Op::Star});
        } else if (c == '?') {
            p.elements_.push_back({Op::AnyChar});
        } else if (c == '#') {
            p.elements_.push_back({Op::Digit});
        } else if (c == '[') {
            if (!p.addSet(pattern, i, why)) return std::nullopt;
        } else {
            Element e{Op::Char};
            e.ch = foldCase(c);
            p.elements_.push_back(e);
        }
    }
    p.anyText_ = !p.elements_.empty();
    for (const Element& e : p.elements_)
        if (e.op != Op::Star) p.anyText_ = false;
    const std::size_t n = p.elements_.size();
    p.isInfix_ = n >= 3 && p.elements_.front().op == Op::Star && p.elements_.back().op == Op::Star;
    for (std::size_t k = 1; p.isInfix_ && k + 1 < n; ++k) {
        const Element& e = p.elements_[k];
        p.isInfix_ = e.op == Op::Char && (e.ch < 0xD800 || (e.ch >= 0xE000 && e.ch <= 0xFFFF));
        if (p.isInfix_) p.infix_.push_back(static_cast<char16_t>(e.ch));
    }
    return p;
}

bool LikePattern::addSet(std::u16string_view pattern, std::size_t& i, std::u16string* why) {
    Element set{Op::Set};
    set.first = static_cast<std::uint32_t>(ranges_.size());
    if (i < pattern.size() && pattern[i] == '!') {
        set.negated = true;
        ++i;
    }
    bool closed = false;
    bool atStart = true;
    while (i < pattern.size()) {
        std::size_t len;
        char32_t lo = codePointAt(pattern, i, len);
        i += len;
        if (lo == ']') {
            closed = true;
            break;
        }
        char32_t hi = lo;
        // "a-z" is a range; a '-' first or last stands for itself.
        if (!(atStart && lo == '-') && i + 1 < pattern.size() && pattern[i] == '-' &&
            pattern[i + 1] != ']') {
            hi = codePointAt(pattern, i + 1, len);
            i += 1 + len;
            if (hi < lo) {
                if (why) *why = u"descending range in brackets";
                return false;
            }
        }
        atStart = false;
        char32_t flo = foldCase(lo), fhi = foldCase(hi);
        // Folding keeps letter ranges ascending; where it would not, keep the
        // range as written (both the character and its folding are tried).
        if (flo <= fhi) ranges_.push_back({flo, fhi});
        if (flo != lo || fhi != hi) ranges_.push_back({lo, hi});
    }
    if (!closed) {
        if (why) *why = u"'[' without ']'";
        return false;
    }
    set.count = static_cast<std::uint32_t>(ranges_.size()) - set.first;
    // "[]" matches zero characters; "[!]" is the complement of nothing: any one.
    if (set.count == 0 && !set.negated) return true;
    if (set.count == 0) set.op = Op::AnyChar;
    elements_.push_back(set);
    return true;
}

LikePattern LikePattern::compileOrRaise(std::u16string_view pattern,
                                        std::u16string_view whereText) {
    std::u16string why;
    auto compiled = compile(pattern, &why);
    if (!compiled) {
        engine::raise(engine::kErrSyntaxInExpression,
                      QStringLiteral("Invalid pattern string '%1' (%2) in query expression '%3'.")
                          .arg(engine::toQString(pattern), engine::toQString(why),
                               engine::toQString(whereText)));
    }
    return std::move(*compiled);
}

inline bool LikePattern::matchesOne(const Element& e, char32_t c) const {
    switch (e.op) {
        case Op::Char:
            return e.ch == foldCase(c);
        case Op::AnyChar:
            return true;
        case Op::Digit:
            return c >= '0' && c <= '9';
        case Op::Set: {
            char32_t f = foldCase(c);
            bool in = false;
            for (std::uint32_t k = e.first; k < e.first + e.count && !in; ++k) {
                const Range& r = ranges_[k];
                in = (f >= r.lo && f <= r.hi) || (c >= r.lo && c <= r.hi);
            }
            return in != e.negated;
        }
        case Op::Star:
            break;
    }
    return false;
}

bool LikePattern::contains(std::u16string_view text) const {
    const std::size_t m = infix_.size();
    if (m > text.size()) return false;
    for (std::size_t s = 0; s + m <= text.size(); ++s) {
        std::size_t k = 0;
        while (k < m && foldCase(text[s + k]) == infix_[k]) ++k;
        if (k == m) return true;
    }
    return false;
}

bool LikePattern::matches(std::u16string_view text) const {
    if (anyText_) return true;
    if (isInfix_) return contains(text);
    // Every element but '*' consumes exactly one character, so backtracking to the
    // last star is enough (classic wildcard matching, no recursion, no allocation).
    const std::size_t m = elements_.size();
    std::size_t p = 0, t = 0;
    std::size_t starP = m + 1, starT = 0;
    while (t < text.size()) {
        if (p < m && elements_[p].op == Op::Star) {
            starP = ++p;
            starT = t;
            continue;
        }
        std::size_t len;
        if (p < m && matchesOne(elements_[p], codePointAt(text, t, len))) {
            ++p;
            t += len;
            continue;
        }
        if (starP <= m) {
            codePointAt(text, starT, len);
            starT += len;
            t = starT;
            p = starP;
            continue;
        }
        return false;
    }
    while (p < m && elements_[p].op == Op::Star) ++p;
    return p == m;
}

}  // namespace sql
