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
    t.begin = t.end = pos_;
    if (pos_ >= text_.size()) return t;
    const char16_t c = text_[pos_];
    if (c == '[') quoted(t, u']', TokenKind::Bracket, LexError::UnclosedBracket);
    else if (c == '\'' || c == '"') quoted(t, c, TokenKind::String, LexError::UnclosedString);
    else if (c == '#') date(t);
    else if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1]))) number(t);
    else if (isWordChar(c)) word(t);
    else symbol(t);
    pos_ = t.end;
    return t;
}

// The closing character doubled stands for itself.
void Lexer::quoted(Token& t, char16_t close, TokenKind kind, LexError error) const {
    const std::size_t n = text_.size();
    std::size_t p = pos_ + 1;
    t.kind = kind;
    while (p < n) {
        if (text_[p] == close) {
            if (p + 1 < n && text_[p + 1] == close) {
                t.text.push_back(close);
                p += 2;
                continue;
            }
            t.end = p + 1;
            return;
        }
        t.text.push_back(text_[p++]);
    }
    t.kind = TokenKind::Error;
    t.error = error;
    t.end = n;
}

void Lexer::date(Token& t) const {
    std::size_t close = text_.find(u'#', pos_ + 1);
    if (close == std::u16string_view::npos) {
        t.kind = TokenKind::Error;
        t.error = LexError::UnclosedDate;
        t.end = text_.size();
        return;
    }
    t.kind = TokenKind::Date;
    t.text = text_.substr(pos_ + 1, close - pos_ - 1);
    t.end = close + 1;
}

// Digits, an optional fraction, and an exponent only when digits follow it.
void Lexer::number(Token& t) const {
    const std::size_t n = text_.size();
    auto digits = [&](std::size_t p) {
        while (p < n && isDigit(text_[p])) ++p;
        return p;
    };
    std::size_t p = digits(pos_);
    if (p < n && text_[p] == '.') p = digits(p + 1);
    if (p < n && (text_[p] == 'e' || text_[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < n && (text_[q] == '+' || text_[q] == '-')) ++q;
        if (q < n && isDigit(text_[q])) p = digits(q);
    }
    t.kind = TokenKind::Number;
    t.text = text_.substr(pos_, p - pos_);
    t.end = p;
}

void Lexer::word(Token& t) const {
    std::size_t p = pos_;
    while (p < text_.size() && isWordChar(text_[p])) ++p;
    t.kind = TokenKind::Word;
    t.text = text_.substr(pos_, p - pos_);
    t.end = p;
}

// One character, or two for <>, <= and >=.
void Lexer::symbol(Token& t) const {
    const char16_t c = text_[pos_];
    const char16_t d = pos_ + 1 < text_.size() ? text_[pos_ + 1] : u'\0';
    std::size_t len = (c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=') ? 2 : 1;
    t.kind = TokenKind::Symbol;
    t.text = text_.substr(pos_, len);
    t.end = pos_ + len;
}

}  // namespace sql
