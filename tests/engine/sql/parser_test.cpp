// Statement texts the parser accepts (with what it reads from them) and rejects
// (with the error number and the text the description must quote).

#include <gtest/gtest.h>

#include "core/error_codes.h"
#include "sql/sql.h"
#include "sql_test_util.h"

namespace {

using sql_test::errorOf;
using sql_test::utf8;

struct Accepted {
    std::u16string_view text;
    std::u16string_view database;  // "-" when there is no INTO
    std::u16string_view sheet;
    std::u16string_view table;
    std::u16string_view where;
};

// The composed statements, exactly as the export builds them, then the wider dialect.
const Accepted kAccepted[] = {
    {u"SELECT * INTO [Excel 8.0;DATABASE=C:\\out\\a.xls].[S] FROM [Clienti]WHERE "
     u"[Clienti.Citta]like 'Roma';",
     u"C:\\out\\a.xls", u"S", u"Clienti", u"[Clienti.Citta]like 'Roma'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=C:\\out\\a.xls].[S] FROM [Clienti]WHERE "
     u"[Clienti.Citta]like '*Roma*';",
     u"C:\\out\\a.xls", u"S", u"Clienti", u"[Clienti.Citta]like '*Roma*'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[WorkSheet1] FROM [Clienti]WHERE "
     u"[Clienti.Citta]like '**';",
     u"/tmp/a.xls", u"WorkSheet1", u"Clienti", u"[Clienti.Citta]like '**'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/a.xls].[WorkSheet1] FROM [Clienti]WHERE "
     u"[Clienti.Citta]like '';",
     u"/tmp/a.xls", u"WorkSheet1", u"Clienti", u"[Clienti.Citta]like ''"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=].[WorkSheet1] FROM [T]WHERE [T.F]like '**';", u"",
     u"WorkSheet1", u"T", u"[T.F]like '**'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/home/me/My Files/out.xls].[Vendite 2024 Nord] FROM "
     u"[Ordini clienti]WHERE [Ordini clienti.Nome cliente]like '*a b*';",
     u"/home/me/My Files/out.xls", u"Vendite 2024 Nord", u"Ordini clienti",
     u"[Ordini clienti.Nome cliente]like '*a b*'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/t.xls].[   ] FROM [T]WHERE [T.F]like '*';", u"/t.xls",
     u"   ", u"T", u"[T.F]like '*'"},
    // "]]" carries a "]" through names and paths; "''" a quote through the pattern.
    {u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/a]]b.xls].[S]]1] FROM [Cli]]enti]WHERE "
     u"[Cli]]enti.Ci]]tta]like '*O''Brien*';",
     u"/tmp/a]b.xls", u"S]1", u"Cli]enti", u"[Cli]]enti.Ci]]tta]like '*O''Brien*'"},
    {u"select * into [excel 8.0;database=/x.xls].[s] from t where f like 'a' ;", u"/x.xls", u"s",
     u"t", u"f like 'a'"},
    {u"  SELECT\t*\nINTO [ Excel 8.0 ;HDR=NO;Database=/p;q.xls].Sheet_1\nFROM T\nWHERE F = 1",
     u"/p;q.xls", u"Sheet_1", u"T", u"F = 1"},
    {u"SELECT * FROM [Città]", u"-", u"", u"Città", u""},
    {u"SELECT * FROM T WHERE (F>=1 AND NOT F<=#2024-03-01 10:00#) OR G IS NOT NULL", u"-", u"",
     u"T", u"(F>=1 AND NOT F<=#2024-03-01 10:00#) OR G IS NOT NULL"},
    {u"SELECT * FROM T WHERE F NOT LIKE \"a\"\"b\" AND G<>-1.5e3;", u"-", u"", u"T",
     u"F NOT LIKE \"a\"\"b\" AND G<>-1.5e3"},
};

TEST(SqlParse, AcceptsStatements) {
    for (const Accepted& c : kAccepted) {
        SCOPED_TRACE(utf8(c.text));
        sql::Statement st = sql::parse(c.text);
        EXPECT_TRUE(st.selectAll);
        EXPECT_EQ(utf8(st.fromTable), utf8(c.table));
        EXPECT_EQ(utf8(st.whereText), utf8(c.where));
        EXPECT_EQ(st.where != nullptr, !c.where.empty());
        if (c.database == u"-") {
            EXPECT_FALSE(st.into.has_value());
            continue;
        }
        ASSERT_TRUE(st.into.has_value());
        EXPECT_EQ(utf8(st.into->database), utf8(c.database));
        EXPECT_EQ(utf8(st.into->sheet), utf8(c.sheet));
    }
}

TEST(SqlParse, ReadsTheConnectString) {
    sql::Statement st =
        sql::parse(u"SELECT * INTO [Excel 8.0;HDR=YES;DATABASE=/a;b.xls;IMEX=1].[S] FROM T");
    ASSERT_TRUE(st.into);
    EXPECT_EQ(utf8(st.into->isam), "Excel 8.0");
    ASSERT_EQ(st.into->parameters.size(), 3u);
    EXPECT_EQ(utf8(st.into->parameters[0].first), "HDR");
    EXPECT_EQ(utf8(st.into->parameters[1].second), "/a;b.xls");
    EXPECT_EQ(utf8(st.into->parameters[2].first), "IMEX");
    EXPECT_EQ(utf8(st.into->database), "/a;b.xls");
    // No DATABASE at all reads as an empty path, like DATABASE= does.
    EXPECT_EQ(utf8(sql::parse(u"SELECT * INTO [Excel 8.0;].[S] FROM T").into->database), "");
}

TEST(SqlParse, ReadsTheSelectList) {
    sql::Statement st = sql::parse(u"SELECT a, [b c],T.d, [T].[e], [T.f] FROM T");
    EXPECT_FALSE(st.selectAll);
    ASSERT_EQ(st.columns.size(), 5u);
    const std::vector<std::vector<std::u16string>> parts = {
        {u"a"}, {u"b c"}, {u"T", u"d"}, {u"T", u"e"}, {u"T.f"}};
    for (std::size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(st.columns[i].parts, parts[i]) << i;
    EXPECT_EQ(utf8(st.columns[3].text), "[T].[e]");
}

struct Rejected {
    std::u16string_view text;
    int number;
    std::u16string_view quoted;  // must appear in the description
};

const Rejected kRejected[] = {
    // A search text holding a quote breaks the quoting: the engine names the expression.
    {u"SELECT * INTO [Excel 8.0;DATABASE=/t.xls].[S] FROM [T]WHERE [T.F]like 'a'b';", 3075,
     u"Syntax error (missing operator) in query expression '[T.F]like 'a'b''."},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/t.xls].[S] FROM [T]WHERE [T.F]like '*O'Brien*';", 3075,
     u"Syntax error (missing operator) in query expression '[T.F]like '*O'Brien*''."},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/t.xls].[S] FROM [T]WHERE [T.F]like '*'*';", 3075,
     u"Syntax error (missing operator) in query expression '[T.F]like '*'*''."},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/t.xls].[S] FROM [T]WHERE [T.F]like ''';", 3075,
     u"Syntax error in string in query expression '[T.F]like ''''."},
    {u"SELECT * FROM T WHERE F like 'abc", 3075,
     u"Syntax error in string in query expression 'F like 'abc'."},
    {u"SELECT * FROM T WHERE", 3075, u"missing operand"},
    {u"SELECT * FROM T WHERE F like;", 3075, u"missing operand"},
    {u"SELECT * FROM T WHERE F = ", 3075, u"missing operand"},
    {u"SELECT * FROM T WHERE (F = 1", 3075, u"Missing ) in query expression '(F = 1'."},
    {u"SELECT * FROM T WHERE F = 1)", 3075, u"Extra ) in query expression 'F = 1)'."},
    {u"SELECT * FROM T WHERE F = 1 G", 3075, u"(missing operator) in query expression 'F = 1 G'"},
    {u"SELECT * FROM T WHERE F NOT = 1", 3075, u"missing operator"},
    {u"SELECT * FROM T WHERE F IS 1", 3075, u"missing operator"},
    {u"SELECT * FROM T WHERE F = #2024-13-01#", 3075, u"Syntax error in date"},
    {u"SELECT * FROM T WHERE F = #2024-02-30#", 3075, u"Syntax error in date"},
    {u"SELECT * FROM T WHERE F = #2024-01-01", 3075, u"Syntax error in date"},
    {u"SELECT * FROM T WHERE [] = 1", 3075, u"Empty name '[]'"},
    {u"SELECT * FROM T WHERE [F = 1", 3075, u"Missing ] in name '[F = 1'"},
    {u"SELECT * FROM T WHERE F like '[abc'", 3075, u"Invalid pattern string"},
    {u"SELECT * FROM T WHERE F like '[z-a]'", 3075, u"Invalid pattern string"},
    {u"SELECT * FROM T WHERE F = - G", 3075, u"missing operand"},
    {u"SELECT * FROM T WHERE F IN (1, 2)", 3075, u"missing operator"},
    // The FROM clause.
    {u"SELECT * FROM", 3131, u"table name expected"},
    {u"SELECT * FROM []", 3131, u"empty table name"},
    {u"SELECT * FROM [T] [U]", 3131, u"'[U]'"},
    {u"SELECT * FROM T, U", 3131, u"', U'"},
    {u"SELECT * FROM [Clienti WHERE F = 1", 3131, u"'[Clienti WHERE F = 1'"},
    {u"SELECT * FROM [T]WHERE F = 1; DROP TABLE T", 3144, u"'DROP TABLE T'"},
    // Targets other than an Excel 8.0 worksheet.
    {u"SELECT * INTO [Text;DATABASE=/tmp].[a.txt] FROM T", 3170, u"'Text'"},
    {u"SELECT * INTO [Lotus WK3;DATABASE=/tmp/a.wk3].[S] FROM T", 3170, u"'Lotus WK3'"},
    {u"SELECT * INTO [Paradox 4.x;DATABASE=/tmp].[P] FROM T", 3170, u"'Paradox 4.x'"},
    {u"SELECT * INTO [Excel 5.0;DATABASE=/tmp/a.xls].[S] FROM T", 3170, u"'Excel 5.0'"},
    {u"SELECT * INTO [Copia] FROM T", 3144, u"same database"},
    {u"SELECT * INTO Copia FROM T", 3144, u"'Copia'"},
    {u"SELECT * INTO [Copia] IN '/tmp/a.xls' [Excel 8.0;] FROM T", 3144, u"INTO ... IN"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/a.xls].[] FROM T", 3144, u"Empty worksheet name"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/a.xls FROM T", 3144, u"Missing ] in name"},
    {u"SELECT * INTO FROM T", 3144, u"INTO"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/x]y.xls].[S] FROM T", 3144,
     u".[sheet] expected after the connect string (write ]] for a ] inside brackets): "
     u"'[Excel 8.0;DATABASE=/tmp/x]y.xls].[S] FROM T'"},
    {u"SELECT * INTO [Excel 8.0;DATABASE=/tmp/x.xls].[a]b] FROM T", 3144,
     u"FROM clause expected: 'b] FROM T'"},
    // Other statements and forms.
    {u"DELETE FROM T", 3144, u"'DELETE FROM T'"},
    {u"", 3144, u"only SELECT"},
    {u"SELECT * T", 3144, u"FROM clause expected: 'T'"},
    {u"SELECT DISTINCT F FROM T", 3144, u"'DISTINCT'"},
    {u"SELECT F, FROM T", 3144, u"name expected"},
    {u"SELECT [], F FROM T", 3144, u"Empty name"},
};

TEST(SqlParse, RejectsStatementsQuotingTheText) {
    for (const Rejected& c : kRejected) {
        SCOPED_TRACE(utf8(c.text));
        auto error = errorOf([&] { sql::parse(c.text); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), c.number);
        EXPECT_NE(error->description().toStdString().find(utf8(c.quoted)), std::string::npos)
            << error->description().toStdString();
    }
}

TEST(SqlParse, BoundsNestingAndSize) {
    auto where = [](std::u16string body) { return u"SELECT * FROM T WHERE " + body; };
    auto repeat = [](std::u16string_view s, int n) {
        std::u16string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    };
    // Ordinary depths parse...
    EXPECT_NO_THROW(sql::parse(where(repeat(u"(", 150) + u"F = 1" + repeat(u")", 150))));
    EXPECT_NO_THROW(sql::parse(where(repeat(u"NOT ", 150) + u"F = 1")));
    EXPECT_NO_THROW(sql::parse(where(u"F = 0" + repeat(u" OR F = 1", 900))));
    // ...runaway ones are refused instead of exhausting the stack.
    // A million levels would exhaust any stack were they parsed.
    for (const std::u16string& text :
         {where(repeat(u"(", 5000) + u"F = 1" + repeat(u")", 5000)),
          where(repeat(u"(", 1000000) + u"F = 1" + repeat(u")", 1000000)),
          where(repeat(u"NOT ", 5000) + u"F = 1"), where(repeat(u"NOT ", 1000000) + u"F = 1"),
          where(repeat(u"NOT (", 1000000) + u"F = 1" + repeat(u")", 1000000)),
          where(u"F = 0" + repeat(u" AND F = 1", 5000))}) {
        auto error = errorOf([&] { sql::parse(text); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), 3075);
        EXPECT_NE(error->description().toStdString().find("Expression too"), std::string::npos);
    }
}

}  // namespace
