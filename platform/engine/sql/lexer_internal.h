#pragma once
// Splits statement text into tokens, one at a time, so that a syntax error is
// reported where the parser meets it (an unmatched quote after a missing operator
// is reported as the missing operator).

#include <cstddef>
#include <string>
#include <string_view>

namespace sql {

enum class TokenKind : unsigned char {
    End,
    Word,     // bare name or keyword
    Bracket,  // [name], "]]" inside read as "]"
    String,   // 'text' or "text", a doubled quote read as one
    Number,   // 12, 1.5, .5, 1e-3
    Date,     // #...#, text without the #s
    Symbol,   // ( ) , . * ; = <> < <= > >= and any other single character
    Error,    // see LexError
};

enum class LexError : unsigned char { None, UnclosedString, UnclosedBracket, UnclosedDate };

struct Token {
    TokenKind kind = TokenKind::End;
    LexError error = LexError::None;
    std::u16string text;
    std::size_t begin = 0, end = 0;  // offsets in the statement

    bool isSymbol(std::u16string_view s) const { return kind == TokenKind::Symbol && text == s; }
    // Case-insensitive keyword test; keyword is upper-case ASCII.
    bool isKeyword(std::string_view keyword) const;
};

class Lexer {
public:
    explicit Lexer(std::u16string_view text) : text_(text) {}
    Token next();

private:
    // Each reads one kind of token starting at pos_ into t, up to t.end.
    void quoted(Token& t, char16_t close, TokenKind kind, LexError error) const;
    void date(Token& t) const;
    void number(Token& t) const;
    void word(Token& t) const;
    void symbol(Token& t) const;

    std::u16string_view text_;
    std::size_t pos_ = 0;
};

bool isBlank(char16_t c);

}  // namespace sql
