// parse(): the statement grammar
//   SELECT (* | name {, name}) [INTO [isam;key=value...].[sheet]] FROM table
//   [WHERE or-expr] [;]
// and the WHERE expression, loosest first: OR, AND, NOT, then one predicate
// (operand [= <> < <= > >= operand | [NOT] LIKE operand | IS [NOT] NULL]).

#include <QString>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "ast_internal.h"
#include "core/error_codes.h"
#include "core/qt_text.h"
#include "fold_internal.h"
#include "lexer_internal.h"
#include "like_internal.h"
#include "text_form_internal.h"

namespace sql {

Statement::Statement() = default;
Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;
Statement::~Statement() = default;

namespace {

using engine::Type;

// Words that cannot be bare names: the grammar's own and the clauses it rejects.
constexpr std::array<std::string_view, 21> kReserved = {
    "SELECT", "INTO", "FROM", "WHERE",   "AND",      "OR",    "NOT",
    "LIKE",   "IS",   "NULL", "TRUE",    "FALSE",    "IN",    "AS",
    "ON",     "JOIN", "TOP",  "BETWEEN", "DISTINCT", "ORDER", "GROUP"};

bool isReserved(const Token& t) {
    for (std::string_view k : kReserved)
        if (t.isKeyword(k)) return true;
    return false;
}

std::u16string_view trimBlanks(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : text_(text), lexer_(text) { advance(); }

    Statement run() {
        Statement st;
        if (!tok_.isKeyword("SELECT"))
            statementError(u"Invalid SQL statement; only SELECT ... INTO ... FROM ... can be run",
                           rest());
        advance();
        if (tok_.isSymbol(u"*")) {
            advance();
            st.selectAll = true;
        } else {
            if (tok_.isKeyword("DISTINCT") || tok_.isKeyword("TOP") ||
                tok_.isKeyword("DISTINCTROW") || tok_.isKeyword("ALL"))
                statementError(u"Not supported in the select list", source(tok_));
            for (;;) {
                st.columns.push_back(name(Clause::Select));
                if (!tok_.isSymbol(u",")) break;
                advance();
            }
        }
        if (tok_.isKeyword("INTO")) {
            advance();
            st.into = target();
        }
        if (!tok_.isKeyword("FROM"))
            statementError(u"Syntax error in statement: FROM clause expected", rest());
        advance();
        st.fromTable = table();
        if (tok_.isKeyword("WHERE")) {
            std::u16string_view where = trimBlanks(text_.substr(tok_.end));
            if (!where.empty() && where.back() == ';')
                where = trimBlanks(where.substr(0, where.size() - 1));
            whereText_ = where;
            advance();
            st.where = orExpr();
            if (tok_.isSymbol(u")")) whereError(u"Extra ) in query expression");
            if (tok_.kind != TokenKind::End && !tok_.isSymbol(u";"))
                whereError(u"Syntax error (missing operator) in query expression");
            st.whereText = whereText_;
        } else if (tok_.kind != TokenKind::End && !tok_.isSymbol(u";")) {
            raise(engine::kErrSyntaxInFrom, u"Syntax error in FROM clause", rest());
        }
        if (tok_.isSymbol(u";")) advance();
        if (tok_.kind != TokenKind::End)
            statementError(u"Characters found after end of SQL statement", rest());
        return st;
    }

private:
    enum class Clause { Select, Into, From, Where };

    void advance() { tok_ = lexer_.next(); }
    Token take() {
        Token t = std::move(tok_);
        advance();
        return t;
    }

    std::u16string_view source(const Token& t) const {
        return text_.substr(t.begin, t.end - t.begin);
    }
    std::u16string_view rest() const { return trimBlanks(text_.substr(tok_.begin)); }

    [[noreturn]] static void raise(int number, std::u16string_view what,
                                   std::u16string_view quoted) {
        engine::raise(
            number,
            QStringLiteral("%1: '%2'.").arg(engine::toQString(what), engine::toQString(quoted)));
    }
    [[noreturn]] static void statementError(std::u16string_view what, std::u16string_view quoted) {
        raise(engine::kErrSyntaxInStatement, what, quoted);
    }
    [[noreturn]] void whereError(std::u16string_view what) const {
        engine::raise(
            engine::kErrSyntaxInExpression,
            QStringLiteral("%1 '%2'.").arg(engine::toQString(what), engine::toQString(whereText_)));
    }
    [[noreturn]] void clauseError(Clause clause, std::u16string_view what,
                                  std::u16string_view quoted) const {
        if (clause == Clause::Where)
            engine::raise(engine::kErrSyntaxInExpression,
                          QStringLiteral("%1 '%2' in query expression '%3'.")
                              .arg(engine::toQString(what), engine::toQString(quoted),
                                   engine::toQString(whereText_)));
        raise(clause == Clause::From ? engine::kErrSyntaxInFrom : engine::kErrSyntaxInStatement,
              what, quoted);
    }
    [[noreturn]] void lexError(Clause clause) const {
        if (clause == Clause::Where) {
            if (tok_.error == LexError::UnclosedString)
                whereError(u"Syntax error in string in query expression");
            if (tok_.error == LexError::UnclosedDate)
                whereError(u"Syntax error in date in query expression");
        }
        clauseError(clause,
                    tok_.error == LexError::UnclosedBracket  ? u"Missing ] in name"
                    : tok_.error == LexError::UnclosedString ? u"Missing closing quote in"
                                                             : u"Missing closing # in",
                    source(tok_));
    }

    // One name: bracketed (may be empty on the page, which is refused) or bare.
    std::u16string namePart(Clause clause) {
        if (tok_.kind == TokenKind::Error) lexError(clause);
        if (tok_.kind == TokenKind::Bracket) {
            if (tok_.text.empty()) clauseError(clause, u"Empty name", u"[]");
            return take().text;
        }
        if (tok_.kind == TokenKind::Word && !isReserved(tok_)) return take().text;
        if (clause == Clause::Where)
            whereError(u"Syntax error (missing operand) in query expression");
        clauseError(clause,
                    clause == Clause::From ? u"Syntax error in FROM clause: table name expected"
                                           : u"Syntax error in statement: name expected",
                    rest());
    }

    ColumnName name(Clause clause) {
        ColumnName c;
        std::size_t begin = tok_.begin, end;
        for (;;) {
            end = tok_.end;
            c.parts.push_back(namePart(clause));
            if (!tok_.isSymbol(u".")) break;
            advance();
        }
        c.text = text_.substr(begin, end - begin);
        return c;
    }

    std::u16string table() {
        if (tok_.kind == TokenKind::Error) lexError(Clause::From);
        if (tok_.kind == TokenKind::Bracket && tok_.text.empty())
            raise(engine::kErrSyntaxInFrom, u"Syntax error in FROM clause: empty table name",
                  u"[]");
        return namePart(Clause::From);
    }

    ExternalTarget target() {
        if (tok_.kind == TokenKind::Error) lexError(Clause::Into);
        const std::size_t begin = tok_.begin;
        if (tok_.kind != TokenKind::Bracket && !(tok_.kind == TokenKind::Word && !isReserved(tok_)))
            statementError(u"Syntax error in INTO clause", rest());
        bool bracketed = tok_.kind == TokenKind::Bracket;
        std::u16string first = take().text;
        if (!tok_.isSymbol(u".")) {
            if (tok_.isKeyword("IN"))
                statementError(
                    u"INTO ... IN is not supported; write INTO "
                    u"[Excel 8.0;DATABASE=path].[sheet]",
                    rest());
            // A connect string not followed by .[sheet]: often a "]" in the path that
            // was not doubled.
            if (bracketed && first.find(u';') != std::u16string::npos)
                statementError(
                    u"Syntax error in INTO clause: .[sheet] expected after the "
                    u"connect string (write ]] for a ] inside brackets)",
                    text_.substr(begin));
            statementError(
                u"Creating a table in the same database is not supported; write INTO "
                u"[Excel 8.0;DATABASE=path].[sheet]",
                trimBlanks(text_.substr(begin, tok_.begin - begin)));
        }
        advance();
        ExternalTarget target;
        std::size_t semicolon = first.find(u';');
        target.isam = first.substr(0, semicolon);
        std::u16string_view isam = trimBlanks(target.isam);
        if (!bracketed || semicolon == std::u16string::npos) {
            if (!equalsFolded(isam, u"Excel 8.0"))
                statementError(u"Writing into a table of another database is not supported",
                               text_.substr(begin, tok_.end - begin));
        } else if (!equalsFolded(isam, u"Excel 8.0")) {
            engine::raise(engine::kErrIsamNotFound,
                          QStringLiteral("Could not find installable ISAM '%1': only Excel 8.0 "
                                         "workbooks can be written.")
                              .arg(engine::toQString(isam)));
        }
        if (semicolon != std::u16string::npos)
            connectParameters(first.substr(semicolon + 1), target);
        if (tok_.kind == TokenKind::Error) lexError(Clause::Into);
        if (tok_.kind == TokenKind::Bracket && tok_.text.empty())
            statementError(u"Empty worksheet name", u"[]");
        target.sheet = namePart(Clause::Into);
        return target;
    }

    // key=value pairs split at ';'. A piece without "key=" continues the previous
    // value, so a path holding ';' survives unless a "word=" follows the ';'.
    static void connectParameters(std::u16string_view s, ExternalTarget& target) {
        auto& params = target.parameters;
        for (;;) {
            std::size_t end = s.find(u';');
            std::u16string_view piece = s.substr(0, end);
            std::size_t eq = piece.find(u'=');
            bool isKey =
                eq != std::u16string_view::npos && !trimBlanks(piece.substr(0, eq)).empty();
            for (std::size_t k = 0; isKey && k < eq; ++k)
                isKey = QChar(piece[k]).isLetterOrNumber() || isBlank(piece[k]) || piece[k] == '_';
            if (isKey)
                params.emplace_back(trimBlanks(piece.substr(0, eq)), piece.substr(eq + 1));
            else if (!params.empty())
                (params.back().second += u';') += piece;
            else if (!trimBlanks(piece).empty())
                params.emplace_back(std::u16string(), piece);
            if (end == std::u16string_view::npos) break;
            s.remove_prefix(end + 1);
        }
        // A trailing ';' after the path is a separator, not part of it.
        if (!params.empty() && s.empty() && !params.back().second.empty() &&
            params.back().second.back() == ';')
            params.back().second.pop_back();
        for (const auto& [key, value] : params)
            if (equalsFolded(key, u"DATABASE")) target.database = value;
    }

    // Compiling and testing walk the tree recursively; bounding its depth (and the
    // parser's own nesting) keeps any text from exhausting the stack.
    static constexpr int kMaxDepth = 1000;
    static constexpr int kMaxNesting = 200;

    std::unique_ptr<Expr> node(ExprKind kind, std::unique_ptr<Expr> left,
                               std::unique_ptr<Expr> right = nullptr) const {
        auto e = std::make_unique<Expr>();
        e->kind = kind;
        e->depth = 1 + std::max(left->depth, right ? right->depth : 0);
        if (e->depth > kMaxDepth) whereError(u"Expression too complex in query expression");
        e->left = std::move(left);
        e->right = std::move(right);
        return e;
    }

    struct Nesting {
        explicit Nesting(const Parser& p) : parser(p) {
            if (++parser.nesting_ > kMaxNesting)
                parser.whereError(u"Expression too deeply nested in query expression");
        }
        ~Nesting() { --parser.nesting_; }
        const Parser& parser;
    };

    std::unique_ptr<Expr> orExpr() {
        Nesting guard(*this);
        auto left = andExpr();
        while (tok_.isKeyword("OR")) {
            advance();
            left = node(ExprKind::Or, std::move(left), andExpr());
        }
        return left;
    }

    std::unique_ptr<Expr> andExpr() {
        auto left = notExpr();
        while (tok_.isKeyword("AND")) {
            advance();
            left = node(ExprKind::And, std::move(left), notExpr());
        }
        return left;
    }

    std::unique_ptr<Expr> notExpr() {
        if (tok_.isKeyword("NOT")) {
            Nesting guard(*this);
            advance();
            return node(ExprKind::Not, notExpr());
        }
        return predicate();
    }

    std::unique_ptr<Expr> predicate() {
        auto left = operand();
        static const std::pair<std::u16string_view, CompareOp> kOps[] = {
            {u"=", CompareOp::Eq},  {u"<>", CompareOp::Ne}, {u"<", CompareOp::Lt},
            {u"<=", CompareOp::Le}, {u">", CompareOp::Gt},  {u">=", CompareOp::Ge}};
        for (const auto& [symbol, op] : kOps) {
            if (tok_.isSymbol(symbol)) {
                advance();
                auto e = node(ExprKind::Compare, std::move(left), operand());
                e->op = op;
                return e;
            }
        }
        bool negated = false;
        if (tok_.isKeyword("NOT")) {
            advance();
            negated = true;
            if (!tok_.isKeyword("LIKE"))
                whereError(u"Syntax error (missing operator) in query expression");
        }
        if (tok_.isKeyword("LIKE")) {
            advance();
            auto e = node(ExprKind::Like, std::move(left), operand());
            e->negated = negated;
            if (e->right->kind == ExprKind::Literal && e->right->literal.type == Type::Text)
                LikePattern::compileOrRaise(e->right->literal.text, whereText_);
            return e;
        }
        if (tok_.isKeyword("IS")) {
            advance();
            auto e = node(ExprKind::IsNull, std::move(left));
            if (tok_.isKeyword("NOT")) {
                advance();
                e->negated = true;
            }
            if (!tok_.isKeyword("NULL"))
                whereError(u"Syntax error (missing operator) in query expression");
            advance();
            return e;
        }
        return left;
    }

    std::unique_ptr<Expr> literal(Type type) {
        auto e = std::make_unique<Expr>();
        e->literal.type = type;
        return e;
    }

    std::unique_ptr<Expr> operand() {
        if (tok_.kind == TokenKind::Error) lexError(Clause::Where);
        if (tok_.isSymbol(u"(")) {
            advance();
            auto e = orExpr();
            if (!tok_.isSymbol(u")"))
                whereError(tok_.kind == TokenKind::End || tok_.isSymbol(u";")
                               ? u"Missing ) in query expression"
                               : u"Syntax error (missing operator) in query expression");
            advance();
            return e;
        }
        if (tok_.kind == TokenKind::String) {
            auto e = literal(Type::Text);
            e->literal.text = take().text;
            return e;
        }
        if (tok_.kind == TokenKind::Date) {
            std::optional<double> day = parseDateLiteral(tok_.text);
            if (!day) whereError(u"Syntax error in date in query expression");
            advance();
            auto e = literal(Type::Date);
            e->literal.number = *day;
            return e;
        }
        bool negative = false;
        if (tok_.isSymbol(u"-") || tok_.isSymbol(u"+")) {
            negative = tok_.isSymbol(u"-");
            advance();
            if (tok_.kind != TokenKind::Number)
                whereError(u"Syntax error (missing operand) in query expression");
        }
        if (tok_.kind == TokenKind::Number) return number(take().text, negative);
        if (tok_.isKeyword("TRUE") || tok_.isKeyword("FALSE")) {
            auto e = literal(Type::Boolean);
            e->literal.boolean = take().isKeyword("TRUE");
            return e;
        }
        if (tok_.isKeyword("NULL")) {
            advance();
            return literal(Type::Null);
        }
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Column;
        e->column = name(Clause::Where);
        return e;
    }

    // Integers that fit 32 bits are Long; other numbers without exponent up to 28
    // digits are exact Decimals (so 1.1 equals a Currency 1.1); the rest Double.
    std::unique_ptr<Expr> number(std::u16string_view text, bool negative) {
        std::string ascii(negative ? "-" : "");
        for (char16_t c : text) ascii.push_back(static_cast<char>(c));
        double d = std::strtod(ascii.c_str(), nullptr);
        if (text.find_first_of(u"eE") == std::u16string_view::npos) {
            unsigned __int128 mantissa = 0;
            int digits = 0, scale = 0;
            bool point = false;
            for (char16_t c : text) {
                if (c == '.') {
                    point = true;
                    continue;
                }
                if (digits == 0 && c == '0' && !point) continue;
                if (++digits > 28) break;
                mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
                if (point) ++scale;
            }
            if (digits <= 28) {
                if (!point && mantissa <= (negative ? 2147483648u : 2147483647u)) {
                    auto e = literal(Type::Long);
                    e->literal.integer = negative ? -static_cast<std::int64_t>(mantissa)
                                                  : static_cast<std::int64_t>(mantissa);
                    return e;
                }
                auto e = literal(Type::Decimal);
                e->literal.decimal = {mantissa, static_cast<std::uint8_t>(scale), negative};
                e->literal.number = d;
                return e;
            }
        }
        auto e = literal(Type::Double);
        e->literal.number = d;
        return e;
    }

    std::u16string_view text_;
    Lexer lexer_;
    Token tok_;
    std::u16string whereText_;
    mutable int nesting_ = 0;
};

}  // namespace

Statement parse(std::u16string_view text) { return Parser(text).run(); }

}  // namespace sql
