// Filter: the WHERE expression compiled against a table's columns into a flat node
// array, evaluated per row in SQL's three-valued logic without allocating.

#include <QString>
#include <cmath>

#include "ast_internal.h"
#include "core/conversions.h"
#include "core/error_codes.h"
#include "core/qt_text.h"
#include "fold_internal.h"
#include "like_internal.h"
#include "text_form_internal.h"

namespace sql {
namespace {

using engine::Type;
using engine::Value;
using u128 = unsigned __int128;

enum class Tri : std::uint8_t { False, True, Null };

// What a value can be compared with: Bool, Number and Date with each other (True
// is -1, dates count days), Text with Text, binary data with its own kind.
enum class Kind : std::uint8_t { Null, Bool, Number, Date, Text, Binary, Guid };

Kind kindOf(Type t) {
    switch (t) {
        case Type::Null:
            return Kind::Null;
        case Type::Boolean:
            return Kind::Bool;
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
        case Type::BigInt:
        case Type::Currency:
        case Type::Single:
        case Type::Double:
        case Type::Decimal:
            return Kind::Number;
        case Type::Date:
        case Type::DateTimeExtended:
            return Kind::Date;
        case Type::Text:
        case Type::Memo:
        case Type::Attachment:
        case Type::ComplexByte:
        case Type::ComplexInteger:
        case Type::ComplexLong:
        case Type::ComplexSingle:
        case Type::ComplexDouble:
        case Type::ComplexGuid:
        case Type::ComplexDecimal:
        case Type::ComplexText:
            return Kind::Text;
        case Type::Guid:
            return Kind::Guid;
        case Type::Binary:
        case Type::LongBinary:
            break;
    }
    return Kind::Binary;
}

const char* kindName(Kind k) {
    static const char* const kNames[] = {"Null", "Yes/No", "Number", "Date/Time",
                                         "Text", "Binary", "GUID"};
    return kNames[static_cast<int>(k)];
}

bool numeric(Kind k) { return k == Kind::Bool || k == Kind::Number || k == Kind::Date; }

bool comparable(Kind a, Kind b) {
    return a == Kind::Null || b == Kind::Null || (numeric(a) && numeric(b)) || a == b;
}

// A number either exact (sign, magnitude, decimal scale) or a double.
struct Num {
    bool exact = true;
    bool negative = false;
    u128 magnitude = 0;
    unsigned scale = 0;
    double d = 0;
};

Num toNum(const Value& v) {
    Num n;
    auto fromInt = [&](std::int64_t i, unsigned scale) {
        n.negative = i < 0;
        n.magnitude = i < 0 ? u128(0) - u128(i) : u128(i);
        n.scale = scale;
    };
    switch (v.type) {
        case Type::Boolean:
            fromInt(v.boolean ? -1 : 0, 0);
            break;
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
        case Type::BigInt:
            fromInt(v.integer, 0);
            break;
        case Type::Currency:
            fromInt(v.integer, 4);
            break;
        case Type::Decimal:
            n.negative = v.decimal.negative;
            n.magnitude = v.decimal.mantissa;
            n.scale = v.decimal.scale;
            break;
        default:
            n.exact = false;
            n.d = v.number;
    }
    return n;
}

double toDouble(const Num& n) {
    if (!n.exact) return n.d;
    return engine::decimalToDouble({n.magnitude, static_cast<std::uint8_t>(n.scale), n.negative});
}

constexpr int kUnordered = 2;  // a NaN took part: only <> holds

int compareNum(const Num& a, const Num& b) {
    if (a.exact && b.exact) {
        int sa = a.magnitude == 0 ? 0 : a.negative ? -1 : 1;
        int sb = b.magnitude == 0 ? 0 : b.negative ? -1 : 1;
        if (sa != sb || sa == 0) return sa < sb ? -1 : sa > sb ? 1 : 0;
        u128 x = a.magnitude, y = b.magnitude;
        unsigned diff = a.scale > b.scale ? a.scale - b.scale : b.scale - a.scale;
        u128& up = a.scale > b.scale ? y : x;  // the one with fewer decimals
        int mag = 0;
        for (unsigned k = 0; k < diff && mag == 0; ++k) {
            if (up > ~u128(0) / 10)
                mag = (&up == &x) ? 1 : -1;  // it already outgrows the other
            else
                up *= 10;
        }
        if (mag == 0) mag = x < y ? -1 : x > y ? 1 : 0;
        return sa < 0 ? -mag : mag;
    }
    double x = toDouble(a), y = toDouble(b);
    if (std::isnan(x) || std::isnan(y)) return kUnordered;
    return x < y ? -1 : x > y ? 1 : 0;
}

const Value kTrueValue = [] {
    Value v;
    v.type = Type::Boolean;
    v.boolean = true;
    return v;
}();
const Value kFalseValue = [] {
    Value v;
    v.type = Type::Boolean;
    return v;
}();
const Value kNullValue;

}  // namespace

struct Filter::Impl {
    struct Node {
        ExprKind kind = ExprKind::Literal;
        CompareOp op = CompareOp::Eq;
        bool negated = false;
        Kind valueKind = Kind::Bool;  // what the node yields as a value
        int a = -1, b = -1;           // operands
        int column = -1;              // Column
        int pattern = -1;             // Like with a constant pattern
        Value constant;               // Literal
    };

    std::vector<Node> nodes;
    std::vector<LikePattern> patterns;
    // Binary data tested by LIKE is read as text here, a buffer that keeps its
    // capacity from row to row.
    mutable std::u16string binaryText;
    std::u16string whereText;
    int root = -1;

    [[noreturn]] void mismatch(Kind x, Kind y) const {
        engine::raise(engine::kErrTypeMismatch,
                      QStringLiteral("Data type mismatch in criteria expression '%1' (%2 with %3).")
                          .arg(engine::toQString(whereText), QLatin1String(kindName(x)),
                               QLatin1String(kindName(y))));
    }

    int add(const Expr& e, const std::vector<int>& columnOf, std::size_t& nextColumn) {
        Node n;
        n.kind = e.kind;
        n.op = e.op;
        n.negated = e.negated;
        if (e.kind == ExprKind::Literal) {
            n.constant = e.literal;
            n.valueKind = kindOf(e.literal.type);
        } else if (e.kind == ExprKind::Column) {
            n.column = columnOf[nextColumn++];
        }
        if (e.left) n.a = add(*e.left, columnOf, nextColumn);
        if (e.right) n.b = add(*e.right, columnOf, nextColumn);
        nodes.push_back(std::move(n));
        return static_cast<int>(nodes.size()) - 1;
    }

    // Refuses at compile time what would fail on every row.
    void check(const std::vector<engine::Column>& columns) {
        for (Node& n : nodes) {
            if (n.kind == ExprKind::Column)
                n.valueKind = kindOf(columns[static_cast<std::size_t>(n.column)].type);
        }
        for (Node& n : nodes) {
            auto kindAt = [&](int i) { return nodes[static_cast<std::size_t>(i)].valueKind; };
            switch (n.kind) {
                case ExprKind::Compare:
                    if (!comparable(kindAt(n.a), kindAt(n.b))) mismatch(kindAt(n.a), kindAt(n.b));
                    break;
                case ExprKind::Not:
                case ExprKind::And:
                case ExprKind::Or:
                    for (int i : {n.a, n.b})
                        if (i >= 0) checkLogical(kindAt(i));
                    break;
                default:
                    break;
            }
        }
        if (root >= 0) checkLogical(nodes[static_cast<std::size_t>(root)].valueKind);
    }

    void checkLogical(Kind k) const {
        if (k == Kind::Text || k == Kind::Binary || k == Kind::Guid) mismatch(k, Kind::Bool);
    }

    const Value& value(int i, const engine::Row& row) const {
        const Node& n = nodes[static_cast<std::size_t>(i)];
        switch (n.kind) {
            case ExprKind::Literal:
                return n.constant;
            case ExprKind::Column:
                return row[static_cast<std::size_t>(n.column)];
            default:
                break;
        }
        Tri t = test(i, row);
        return t == Tri::True ? kTrueValue : t == Tri::False ? kFalseValue : kNullValue;
    }

    Tri truth(const Value& v) const {
        switch (v.type) {
            case Type::Null:
                return Tri::Null;
            case Type::Boolean:
                return v.boolean ? Tri::True : Tri::False;
            case Type::Byte:
            case Type::Integer:
            case Type::Long:
            case Type::BigInt:
            case Type::Currency:
                return v.integer != 0 ? Tri::True : Tri::False;
            case Type::DateTimeExtended:  // like a date: false at day zero's midnight
                return engine::compareExtDate(v.integer, 0) != 0 ? Tri::True : Tri::False;
            case Type::Decimal:
                return v.decimal.mantissa != 0 ? Tri::True : Tri::False;
            case Type::Single:
            case Type::Double:
            case Type::Date:
                return v.number != 0 ? Tri::True : Tri::False;
            default:
                mismatch(kindOf(v.type), Kind::Bool);
        }
    }

    int compare(const Value& x, const Value& y) const {
        // Date/Time Extended: with another exactly by its ticks, with any other
        // number or date exactly and in time order (core/conversions.h).
        const bool extX = x.type == Type::DateTimeExtended, extY = y.type == Type::DateTimeExtended;
        if (extX && extY) return x.integer < y.integer ? -1 : x.integer > y.integer ? 1 : 0;
        if ((extX || extY) && numeric(kindOf(extX ? y.type : x.type))) {
            const int c = engine::compareExtDate(extX ? x.integer : y.integer, toDouble(toNum(extX ? y : x)));
            return c == kUnordered || extX ? c : -c;
        }
        Kind kx = kindOf(x.type), ky = kindOf(y.type);
        if (numeric(kx) && numeric(ky)) return compareNum(toNum(x), toNum(y));
        if (kx != ky) mismatch(kx, ky);
        if (kx == Kind::Text) return compareFolded(x.text, y.text);
        int c = x.bytes.compare(y.bytes);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }

    bool like(const Node& n, const Value& x, const engine::Row& row, Tri& result) const {
        if (n.pattern >= 0 && patterns[static_cast<std::size_t>(n.pattern)].matchesAnyText())
            return true;
        TextBuffer buffer;
        std::u16string_view text = textFormOf(x, buffer, binaryText);
        if (n.pattern >= 0) return patterns[static_cast<std::size_t>(n.pattern)].matches(text);
        // A pattern from a column is compiled per row; this path allocates.
        const Value& p = value(n.b, row);
        if (p.isNull()) {
            result = Tri::Null;
            return false;
        }
        TextBuffer patternBuffer;
        std::u16string patternLarge;
        return LikePattern::compileOrRaise(textFormOf(p, patternBuffer, patternLarge), whereText)
            .matches(text);
    }

    Tri test(int i, const engine::Row& row) const {
        const Node& n = nodes[static_cast<std::size_t>(i)];
        switch (n.kind) {
            case ExprKind::Literal:
            case ExprKind::Column:
                return truth(value(i, row));
            case ExprKind::Not: {
                Tri t = test(n.a, row);
                return t == Tri::Null ? t : t == Tri::True ? Tri::False : Tri::True;
            }
            case ExprKind::And: {
                Tri l = test(n.a, row);
                if (l == Tri::False) return l;
                Tri r = test(n.b, row);
                return r == Tri::False                      ? r
                       : (l == Tri::Null || r == Tri::Null) ? Tri::Null
                                                            : Tri::True;
            }
            case ExprKind::Or: {
                Tri l = test(n.a, row);
                if (l == Tri::True) return l;
                Tri r = test(n.b, row);
                return r == Tri::True                       ? r
                       : (l == Tri::Null || r == Tri::Null) ? Tri::Null
                                                            : Tri::False;
            }
            case ExprKind::IsNull:
                return value(n.a, row).isNull() != n.negated ? Tri::True : Tri::False;
            case ExprKind::Compare: {
                const Value& x = value(n.a, row);
                const Value& y = value(n.b, row);
                if (x.isNull() || y.isNull()) return Tri::Null;
                int c = compare(x, y);
                bool r = false;
                switch (n.op) {
                    case CompareOp::Eq:
                        r = c == 0;
                        break;
                    case CompareOp::Ne:
                        r = c != 0;
                        break;
                    case CompareOp::Lt:
                        r = c == -1;
                        break;
                    case CompareOp::Le:
                        r = c == -1 || c == 0;
                        break;
                    case CompareOp::Gt:
                        r = c == 1;
                        break;
                    case CompareOp::Ge:
                        r = c == 1 || c == 0;
                        break;
                }
                return r ? Tri::True : Tri::False;
            }
            case ExprKind::Like: {
                const Value& x = value(n.a, row);
                if (x.isNull()) return Tri::Null;
                Tri result = Tri::False;
                bool m = like(n, x, row, result);
                if (result == Tri::Null) return result;
                return m != n.negated ? Tri::True : Tri::False;
            }
        }
        return Tri::Null;
    }
};

namespace {

// The index of the column a name refers to, or -1. [T.F] is field F of the FROM
// table T; a whole name that is itself a field wins (field names cannot hold '.').
int resolve(const ColumnName& name, std::u16string_view table,
            const std::vector<engine::Column>& columns) {
    auto field = [&](std::u16string_view f) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (equalsFolded(columns[i].name, f)) return static_cast<int>(i);
        return -1;
    };
    if (name.parts.size() == 2)
        return equalsFolded(name.parts[0], table) ? field(name.parts[1]) : -1;
    if (name.parts.size() != 1) return -1;
    std::u16string_view whole = name.parts[0];
    int i = field(whole);
    std::size_t dot = whole.rfind(u'.');
    if (i < 0 && dot != std::u16string_view::npos && equalsFolded(whole.substr(0, dot), table))
        i = field(whole.substr(dot + 1));
    return i;
}

void collectNames(const Expr& e, std::vector<const ColumnName*>& out) {
    if (e.kind == ExprKind::Column) out.push_back(&e.column);
    if (e.left) collectNames(*e.left, out);
    if (e.right) collectNames(*e.right, out);
}

// Resolves all names; raises 3061 naming every unknown one.
std::vector<int> resolveAll(const std::vector<const ColumnName*>& names, std::u16string_view table,
                            const std::vector<engine::Column>& columns) {
    std::vector<int> indexes;
    std::vector<std::u16string_view> unknown;
    for (const ColumnName* n : names) {
        indexes.push_back(resolve(*n, table, columns));
        if (indexes.back() >= 0) continue;
        bool seen = false;
        for (auto u : unknown) seen = seen || equalsFolded(u, n->text);
        if (!seen) unknown.push_back(n->text);
    }
    if (unknown.empty()) return indexes;
    QString list;
    for (auto u : unknown)
        list += (list.isEmpty() ? QString() : QStringLiteral(", ")) + '\'' + engine::toQString(u) +
                '\'';
    engine::raise(engine::kErrTooFewParameters,
                  QStringLiteral("Too few parameters. Expected %1. Unknown name%2: %3.")
                      .arg(unknown.size())
                      .arg(unknown.size() == 1 ? "" : "s")
                      .arg(list));
}

}  // namespace

Filter::Filter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;
Filter::~Filter() = default;

Filter Filter::compile(const Statement& statement, const std::vector<engine::Column>& columns) {
    auto impl = std::make_unique<Impl>();
    impl->whereText = statement.whereText;
    if (statement.where) {
        std::vector<const ColumnName*> names;
        collectNames(*statement.where, names);
        std::vector<int> columnOf = resolveAll(names, statement.fromTable, columns);
        std::size_t next = 0;
        impl->root = impl->add(*statement.where, columnOf, next);
        impl->check(columns);
        for (Impl::Node& n : impl->nodes) {
            if (n.kind != ExprKind::Like) continue;
            const Impl::Node& p = impl->nodes[static_cast<std::size_t>(n.b)];
            if (p.kind != ExprKind::Literal || p.constant.isNull()) continue;
            TextBuffer buffer;
            std::u16string large;
            n.pattern = static_cast<int>(impl->patterns.size());
            impl->patterns.push_back(LikePattern::compileOrRaise(
                textFormOf(p.constant, buffer, large), impl->whereText));
        }
    }
    return Filter(std::move(impl));
}

bool Filter::matches(const engine::Row& row) const {
    return impl_->root < 0 || impl_->test(impl_->root, row) == Tri::True;
}

std::vector<int> resolveColumns(const Statement& statement,
                                const std::vector<engine::Column>& columns) {
    if (statement.selectAll) {
        std::vector<int> all(columns.size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
        return all;
    }
    std::vector<const ColumnName*> names;
    for (const ColumnName& c : statement.columns) names.push_back(&c);
    return resolveAll(names, statement.fromTable, columns);
}

}  // namespace sql
