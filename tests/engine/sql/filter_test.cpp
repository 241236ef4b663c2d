// WHERE clauses compiled against a table and tested on rows: comparisons across
// types, three-valued logic, precedence, name resolution and the errors.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/error_codes.h"
#include "sql/sql.h"
#include "sql/text_form_internal.h"
#include "sql_test_util.h"

// Counts allocations so a test can show that matching a row allocates nothing.
namespace {
std::atomic<long> gAllocations{0};
}
void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using engine::Type;
using engine::Value;
using sql_test::errorOf;
using sql_test::utf8;

const std::vector<engine::Column> kColumns = {
    {u"ID", Type::Long},
    {u"Name", Type::Text},
    {u"Price", Type::Currency},
    {u"Ratio", Type::Double},
    {u"Amount", Type::Decimal, 18, 2},
    {u"Born", Type::Date},
    {u"Active", Type::Boolean},
    {u"Note", Type::Memo},
    {u"Blob", Type::Binary},
    {u"G", Type::Guid},
    {u"Weight", Type::Single},
};

Value val(Type t) {
    Value v;
    v.type = t;
    return v;
}

// A full row: every column holds a value.
engine::Row fullRow() {
    engine::Row r(kColumns.size());
    r[0] = val(Type::Long), r[0].integer = 7;
    r[1] = val(Type::Text), r[1].text = u"Roma Città";
    r[2] = val(Type::Currency), r[2].integer = 125000;  // 12.5
    r[3] = val(Type::Double), r[3].number = 1.1;
    r[4] = val(Type::Decimal), r[4].decimal = {110, 2, false};  // 1.10
    r[5] = val(Type::Date), r[5].number = 45352;  // 2024-03-01
    r[6] = val(Type::Boolean), r[6].boolean = true;
    r[7] = val(Type::Memo), r[7].text = u"r*";
    r[8] = val(Type::Binary), r[8].bytes = std::string("a\0b\0", 4);  // "ab" in UTF-16LE
    r[9] = val(Type::Guid), r[9].bytes = std::string(16, '\x11');
    r[10] = val(Type::Single), r[10].number = 0.1;
    return r;
}

// Every column Null.
engine::Row nullRow() { return engine::Row(kColumns.size()); }

bool keeps(std::u16string_view where, const engine::Row& row) {
    sql::Statement st = sql::parse(u"SELECT * FROM [Clienti] WHERE " + std::u16string(where));
    return sql::Filter::compile(st, kColumns).matches(row);
}

struct WhereCase {
    std::u16string_view where;
    bool full;   // kept for the full row
    bool nulls;  // kept for the all-Null row
};

const WhereCase kWhere[] = {
    // Numbers of every kind compare by value; decimals in the text are exact.
    {u"ID = 7", true, false},
    {u"ID <> 7", false, false},
    {u"ID < 8 AND ID <= 7 AND ID > 6 AND ID >= 7", true, false},
    {u"ID < 7 OR ID <= 6 OR ID > 7 OR ID >= 8", false, false},
    {u"ID <> 6 AND ID <> 8", true, false},
    {u"ID = 7.0", true, false},
    {u"ID = 7.5", false, false},
    {u"ID < 7.5", true, false},
    {u"ID = 7e0", true, false},
    {u"ID > -8", true, false},
    {u"Price = 12.5", true, false},
    {u"Price = 12.50000", true, false},
    {u"Price > 12.4999", true, false},
    {u"Price = 12.50001", false, false},
    {u"Ratio = 1.1", true, false},  // the literal 1.1 is the double 1.1
    {u"Ratio > 1.1", false, false},
    {u"Amount = 1.1", true, false},
    {u"Amount = Ratio", true, false},
    {u"Amount < Price", true, false},
    {u"Weight = 0.1", true, false},
    {u"ID = 99999999999999999999", false, false},
    {u"ID < 99999999999999999999", true, false},
    {u"ID < 1e300", true, false},
    // Text compares ignoring case, beyond ASCII too.
    {u"Name = 'roma città'", true, false},
    {u"Name = 'ROMA CITTÀ'", true, false},
    {u"Name = \"Roma Città\"", true, false},
    {u"Name = 'Roma'", false, false},
    {u"Name > 'roma'", true, false},
    {u"Name < 'S'", true, false},
    {u"Name <> 'x'", true, false},
    {u"Note = 'R*'", true, false},
    // Dates with dates and with numbers (days since 1899-12-30).
    {u"Born = #2024-03-01#", true, false},
    {u"Born = #3/1/2024#", true, false},
    {u"Born = #03/01/2024 00:00:00#", true, false},
    {u"Born < #2024-03-01 00:00:01#", true, false},
    {u"Born > #2024-02-29 23:59#", true, false},
    {u"Born = 45352", true, false},
    {u"Born > 45351.5", true, false},
    // Yes/No: True is -1, and a value alone is a condition.
    {u"Active = True", true, false},
    {u"Active = -1", true, false},
    {u"Active <> False", true, false},
    {u"Active", true, false},
    {u"NOT Active", false, false},
    {u"ID", true, false},
    {u"Price AND Active", true, false},
    // IS NULL, and comparisons with Null are Null (the row is dropped either way).
    {u"ID IS NULL", false, true},
    {u"ID IS NOT NULL", true, false},
    {u"Blob IS NOT NULL AND G IS NOT NULL", true, false},
    {u"ID = Null", false, false},
    {u"NOT (ID = Null)", false, false},
    {u"ID <> Null", false, false},
    {u"Null IS NULL", true, true},
    {u"Null = Null", false, false},
    {u"NOT Null", false, false},
    // Three-valued AND / OR / NOT.
    {u"ID = 7 OR ID = Null", true, false},
    {u"ID = 7 AND ID = Null", false, false},
    {u"NOT (ID = 7 AND ID = Null)", false, false},
    {u"NOT (ID = 8 AND ID = Null)", true, false},
    {u"ID = 8 OR Name IS NULL", false, true},
    {u"NOT (ID = 8 OR ID IS NULL)", true, false},
    {u"ID = 1 OR ID = 2 OR ID = 7", true, false},
    // Precedence: comparisons, then NOT, then AND, then OR.
    {u"NOT ID = 8", true, false},
    {u"ID = 7 AND Name LIKE 'x' OR ID = 8", false, false},
    {u"ID = 8 AND Name LIKE 'x' OR ID = 7", true, false},
    {u"ID = 8 AND (Name LIKE 'x' OR ID = 7)", false, false},
    {u"NOT ID = 8 AND NOT ID = 9", true, false},
    {u"((ID = 7))", true, false},
    {u"(ID = 7) = True", true, false},
    {u"(ID = 8) = False", true, false},
    // LIKE: Null never matches, neither does NOT LIKE.
    {u"Name LIKE '*'", true, false},
    {u"Name LIKE '**'", true, false},
    {u"Name LIKE ''", false, false},
    {u"Name NOT LIKE '*'", false, false},
    {u"Name NOT LIKE 'x*'", true, false},
    {u"NOT Name LIKE 'x*'", true, false},
    {u"Name LIKE '*città'", true, false},
    {u"Name LIKE Null", false, false},
    {u"Name LIKE Note", true, false},  // a pattern taken from the row: 'r*'
    {u"'abc' LIKE 'A*'", true, true},
    // Non-text values are matched through their text form.
    {u"ID LIKE '7'", true, false},
    {u"ID LIKE '#'", true, false},
    {u"Price LIKE '12.5'", true, false},
    {u"Ratio LIKE '1.1'", true, false},
    {u"Amount LIKE '1.1'", true, false},
    {u"Weight LIKE '0.1'", true, false},
    {u"Born LIKE '2024-03-01'", true, false},
    {u"Born LIKE '*-03-*'", true, false},
    {u"Active LIKE 'true'", true, false},
    {u"G LIKE '{11111111-*}'", true, false},
    {u"ID LIKE 7", true, false},
    {u"Blob LIKE '*'", true, false},
    {u"Blob LIKE 'AB'", true, false},
    {u"Blob LIKE '?'", false, false},
    // Names: bare, bracketed, qualified in either form, any case.
    {u"Clienti.ID = 7", true, false},
    {u"[Clienti].[ID] = 7", true, false},
    {u"[Clienti.ID] = 7", true, false},
    {u"[clienti.id] = 7", true, false},
    {u"[CLIENTI].id = 7", true, false},
};

TEST(SqlFilter, WhereTable) {
    const engine::Row full = fullRow(), nulls = nullRow();
    for (const WhereCase& c : kWhere) {
        SCOPED_TRACE(utf8(c.where));
        EXPECT_EQ(keeps(c.where, full), c.full);
        EXPECT_EQ(keeps(c.where, nulls), c.nulls);
    }
}

// AND and OR over every pair of True, False and Null, each also under NOT: a row
// is kept only when the condition is True, so NOT tells False (kept) from Null
// (dropped).
enum class Truth { True, False, Null };

struct LogicCase {
    Truth left;
    std::u16string_view op;
    Truth right;
    Truth result;
};

const LogicCase kLogic[] = {
    {Truth::True, u"AND", Truth::True, Truth::True},
    {Truth::True, u"AND", Truth::False, Truth::False},
    {Truth::True, u"AND", Truth::Null, Truth::Null},
    {Truth::False, u"AND", Truth::True, Truth::False},
    {Truth::False, u"AND", Truth::False, Truth::False},
    {Truth::False, u"AND", Truth::Null, Truth::False},
    {Truth::Null, u"AND", Truth::True, Truth::Null},
    {Truth::Null, u"AND", Truth::False, Truth::False},
    {Truth::Null, u"AND", Truth::Null, Truth::Null},
    {Truth::True, u"OR", Truth::True, Truth::True},
    {Truth::True, u"OR", Truth::False, Truth::True},
    {Truth::True, u"OR", Truth::Null, Truth::True},
    {Truth::False, u"OR", Truth::True, Truth::True},
    {Truth::False, u"OR", Truth::False, Truth::False},
    {Truth::False, u"OR", Truth::Null, Truth::Null},
    {Truth::Null, u"OR", Truth::True, Truth::True},
    {Truth::Null, u"OR", Truth::False, Truth::Null},
    {Truth::Null, u"OR", Truth::Null, Truth::Null},
};

TEST(SqlFilter, AndOrTruthTable) {
    // On the full row: ID = 7 is True, ID = 8 False, Price = Null Null.
    auto operand = [](Truth t) -> std::u16string {
        return t == Truth::True ? u"ID = 7" : t == Truth::False ? u"ID = 8" : u"Price = Null";
    };
    const engine::Row full = fullRow();
    for (const LogicCase& c : kLogic) {
        const std::u16string both = operand(c.left) + u" " + std::u16string(c.op) + u" " + operand(c.right);
        SCOPED_TRACE(utf8(both));
        EXPECT_EQ(keeps(both, full), c.result == Truth::True);
        EXPECT_EQ(keeps(u"NOT (" + both + u")", full), c.result == Truth::False);
    }
}

TEST(SqlFilter, NoWhereKeepsEveryRow) {
    sql::Filter f = sql::Filter::compile(sql::parse(u"SELECT * FROM T"), kColumns);
    EXPECT_TRUE(f.matches(fullRow()));
    EXPECT_TRUE(f.matches(nullRow()));
}

TEST(SqlFilter, MatchesTheComposedStatement) {
    const std::vector<engine::Column> columns = {{u"Città", Type::Text}, {u"N", Type::Long}};
    sql::Statement st = sql::parse(
        u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[S] FROM [Clienti]WHERE "
        u"[Clienti.Città]like '*roma*';");
    sql::Filter f = sql::Filter::compile(st, columns);
    engine::Row row(2);
    row[0].type = Type::Text;
    for (auto [text, kept] :
         {std::pair{u"ROMA", true}, {u"Piazza di Roma", true}, {u"Milano", false}, {u"", false}}) {
        row[0].text = text;
        EXPECT_EQ(f.matches(row), kept) << utf8(text);
    }
    row[0] = Value();
    EXPECT_FALSE(f.matches(row));
}

struct ErrorCase {
    std::u16string_view where;
    int number;
    std::u16string_view description;  // the description, or a part of it
};

const ErrorCase kErrors[] = {
    {u"Citta LIKE 'x'", 3061, u"Too few parameters. Expected 1. Unknown name: 'Citta'."},
    {u"[Clienti.Citta] LIKE 'x'", 3061, u"Unknown name: '[Clienti.Citta]'."},
    {u"[Altri.ID] = 1", 3061, u"Unknown name: '[Altri.ID]'."},
    {u"[Altri].[ID] = 1", 3061, u"Unknown name: '[Altri].[ID]'."},
    {u"Clienti.ID.X = 1", 3061, u"'Clienti.ID.X'"},
    {u"A = 1 AND B = 2 AND a = 3", 3061,
     u"Too few parameters. Expected 2. Unknown names: 'A', 'B'."},
    {u"Name = 5", 3464,
     u"Data type mismatch in criteria expression 'Name = 5' (Text with Number)."},
    {u"ID = 'x'", 3464, u"(Number with Text)"},
    {u"Born = '2024-03-01'", 3464, u"(Date/Time with Text)"},
    {u"Active = 'True'", 3464, u"Data type mismatch"},
    {u"G = 'x'", 3464, u"Data type mismatch"},
    {u"Blob = ID", 3464, u"Data type mismatch"},
    {u"Name", 3464, u"Data type mismatch"},
    {u"Name AND ID = 1", 3464, u"Data type mismatch"},
    {u"NOT 'x'", 3464, u"Data type mismatch"},
};

TEST(SqlFilter, CompileErrors) {
    for (const ErrorCase& c : kErrors) {
        SCOPED_TRACE(utf8(c.where));
        auto error = errorOf([&] { keeps(c.where, fullRow()); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), c.number);
        EXPECT_NE(error->description().toStdString().find(utf8(c.description)), std::string::npos)
            << error->description().toStdString();
    }
}

// An unusable pattern is one error wherever it is met: a text literal when the
// statement is parsed, a pattern from a column when a row is tested. Both name
// the pattern, the reason and the clause; a usable pattern from a column passes.
TEST(SqlFilter, PatternErrorIsTheSameFromALiteralAndFromARow) {
    const struct {
        std::u16string_view where;
        std::u16string_view note;  // the row's Note, the pattern of "Name LIKE Note"
        std::u16string_view description;
    } cases[] = {
        {u"Name LIKE '[z-a]'", u"x",
         u"Invalid pattern string '[z-a]' (descending range in brackets) in query "
         u"expression 'Name LIKE '[z-a]''."},
        {u"Name LIKE Note", u"[z-a]",
         u"Invalid pattern string '[z-a]' (descending range in brackets) in query "
         u"expression 'Name LIKE Note'."},
        {u"Name LIKE '[abc'", u"x",
         u"Invalid pattern string '[abc' ('[' without ']') in query expression "
         u"'Name LIKE '[abc''."},
        {u"Name LIKE Note", u"[abc",
         u"Invalid pattern string '[abc' ('[' without ']') in query expression "
         u"'Name LIKE Note'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.where) + " / " + utf8(c.note));
        engine::Row row = fullRow();
        row[7].text = c.note;
        auto error = errorOf([&] { keeps(c.where, row); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), 3075);
        EXPECT_EQ(error->description().toStdU16String(), c.description);
    }
    engine::Row row = fullRow();
    row[7].text = u"[a-z]*";
    EXPECT_FALSE(errorOf([&] { keeps(u"Name LIKE Note", row); }).has_value());
}

TEST(SqlFilter, ResolvesTheSelectList) {
    auto cols = [](std::u16string_view text) {
        return sql::resolveColumns(sql::parse(text), kColumns);
    };
    EXPECT_EQ(cols(u"SELECT * FROM T").size(), kColumns.size());
    EXPECT_EQ(cols(u"SELECT Name, [ID], Clienti.Price, [clienti.born] FROM Clienti"),
              (std::vector<int>{1, 0, 2, 5}));
    auto error = errorOf([&] { cols(u"SELECT Name, Nome FROM Clienti"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number(), 3061);
    EXPECT_NE(error->description().toStdString().find("'Nome'"), std::string::npos);
}

TEST(SqlFilter, MatchingAllocatesNothing) {
    sql::Filter f = sql::Filter::compile(
        sql::parse(u"SELECT * FROM Clienti WHERE (Name LIKE '*CITTÀ*' OR Name LIKE '**') AND "
                   u"ID LIKE '#' AND Born LIKE '2024*' AND Price >= 12.5 AND Ratio = 1.1 AND "
                   u"Name > 'a' AND NOT G IS NULL"),
        kColumns);
    engine::Row row = fullRow();
    long before = gAllocations.load();
    bool kept = true;
    for (int i = 0; i < 1000; ++i) kept = f.matches(row) && kept;
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_TRUE(kept);
}

}  // namespace
