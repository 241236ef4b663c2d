#include <QChar>

#include "lexer_internal.h"

namespace sql {
namespace {

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

bool isWordChar(char16_t c) {
    // Surrogates belong to letters outside the BMP; accept them whole.
    return c == '_' || (c >= 0xD800 && c < 0xE000) || QChar(c).isLetterOrNumber();
}

}  // namespace

bool isBlank(char16_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || QChar(c).isSpace();
}

bool Token::isKeyword(std::string_view keyword) const {
    if (kind != TokenKind::Word || text.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        char16_t c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
        if (c != static_cast<char16_t>(keyword[i])) return false;
    }
    return true;
}

Token Lexer::next() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    Token t;
    t.begin = pos_;
    if (pos_ >= text_.size()) {
        t.end = pos_;
        return t;
    }
    const std::size_t n = text_.size();
    char16_t c = text_[pos_];

    // Quoted forms: the closing character doubled stands for itself.
    auto quoted = [&](char16_t close, TokenKind kind, LexError error) {
        ++pos_;
        t.kind = kind;
        while (pos_ < n) {
            if (text_[pos_] == close) {
                if (pos_ + 1 < n && text_[pos_ + 1] == close) {
                    t.text.push_back(close);
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                t.end = pos_;
                return t;
            }
            t.text.push_back(text_[pos_++]);
        }
        t.kind = TokenKind::Error;
        t.error = error;
        t.end = pos_;
        return t;
    };

    if (c == '[') return quoted(u']', TokenKind::Bracket, LexError::UnclosedBracket);
    if (c == '\'' || c == '"') return quoted(c, TokenKind::String, LexError::UnclosedString);
    if (c == '#') {
        std::size_t close = text_.find(u'#', pos_ + 1);
        if (close == std::u16string_view::npos) {
            t.kind = TokenKind::Error;
            t.error = LexError::UnclosedDate;
            pos_ = t.end = n;
            return t;
        }
        t.kind = TokenKind::Date;
        t.text = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = t.end = close + 1;
        return t;
    }
    if (isDigit(c) || (c == '.' && pos_ + 1 < n && isDigit(text_[pos_ + 1]))) {
        std::size_t p = pos_;
        while (p < n && isDigit(text_[p])) ++p;
        if (p < n && text_[p] == '.') {
            ++p;
            while (p < n && isDigit(text_[p])) ++p;
        }
        if (p < n && (text_[p] == 'e' || text_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < n && (text_[q] == '+' || text_[q] == '-')) ++q;
            if (q < n && isDigit(text_[q])) {
                while (q < n && isDigit(text_[q])) ++q;
                p = q;
            }
        }
        t.kind = TokenKind::Number;
        t.text = text_.substr(pos_, p - pos_);
        pos_ = t.end = p;
        return t;
    }
    if (isWordChar(c)) {
        std::size_t p = pos_;
        while (p < n && isWordChar(text_[p])) ++p;
        t.kind = TokenKind::Word;
        t.text = text_.substr(pos_, p - pos_);
        pos_ = t.end = p;
        return t;
    }
    t.kind = TokenKind::Symbol;
    std::size_t len = 1;
    if (pos_ + 1 < n) {
        char16_t d = text_[pos_ + 1];
        if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=')) len = 2;
    }
    t.text = text_.substr(pos_, len);
    pos_ = t.end = pos_ + len;
    return t;
}

}  // namespace sql
