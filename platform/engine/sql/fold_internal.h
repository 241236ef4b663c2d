#pragma once
// Case folding as the dialect compares names and text: Unicode simple case folding
// per code point, with an ASCII shortcut because most data is ASCII.

#include <QChar>
#include <cstddef>
#include <string_view>

namespace sql {

inline char32_t foldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

// The code point at text[i]; sets len to the units it spans. A lone surrogate
// stands for itself, so no text is ever rejected.
inline char32_t codePointAt(std::u16string_view text, std::size_t i, std::size_t& len) {
    char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
        char16_t d = text[i + 1];
        if (d >= 0xDC00 && d < 0xE000) {
            len = 2;
            return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(d) - 0xDC00);
        }
    }
    len = 1;
    return c;
}

// <0, 0, >0 as a orders before, equal to or after b, ignoring case.
inline int compareFolded(std::u16string_view a, std::u16string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t la, lb;
        char32_t ca = foldCase(codePointAt(a, i, la));
        char32_t cb = foldCase(codePointAt(b, j, lb));
        if (ca != cb) return ca < cb ? -1 : 1;
        i += la;
        j += lb;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

inline bool equalsFolded(std::u16string_view a, std::u16string_view b) {
    return compareFolded(a, b) == 0;
}

}  // namespace sql
