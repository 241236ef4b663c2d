#pragma once
// The statements the engine runs: SELECT (* or columns) [INTO target] FROM table
// [WHERE expression] [;], in the Jet dialect. parse() turns the text into a
// Statement; Filter compiles its WHERE clause against a table's columns and tests
// rows; resolveColumns() maps the select list onto column indexes.
//
// Every failure throws converti::Error (see core/error_codes.h) whose description
// quotes the offending text.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/value.h"

namespace sql {

struct Expr;  // parsed WHERE expression; opaque to callers

// A column reference as written. parts holds the names between the dots outside
// brackets: [T].[F] and T.F give {"T", "F"}; [T.F] gives {"T.F"} (the one-bracket
// form, split when it is resolved). text is the reference as it appeared.
struct ColumnName {
    std::vector<std::u16string> parts;
    std::u16string text;
};

// The external target [Excel 8.0;DATABASE=path].[sheet]. isam keeps the type as
// written (matched case-insensitively against "Excel 8.0"); parameters keeps every
// key=value of the connect string in order, keys as written; database is the value
// of the DATABASE key (empty when missing or empty).
struct ExternalTarget {
    std::u16string isam;
    std::vector<std::pair<std::u16string, std::u16string>> parameters;
    std::u16string database;
    std::u16string sheet;
};

struct Statement {
    Statement();
    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;
    ~Statement();

    bool selectAll = false;
    std::vector<ColumnName> columns;  // empty when selectAll
    std::optional<ExternalTarget> into;
    std::u16string fromTable;     // never empty after a successful parse
    std::unique_ptr<Expr> where;  // null without WHERE
    std::u16string whereText;     // the WHERE expression as written, for messages
};

// Throws converti::Error: 3075 (WHERE syntax), 3131 (FROM syntax), 3144 (other
// syntax, unsupported forms such as INTO a table of the same database), 3170 (an
// installable format other than Excel 8.0).
Statement parse(std::u16string_view text);

// The compiled WHERE clause of one statement over one table's columns. Testing a
// row changes nothing a caller can see, but reuses a buffer of the Filter: one
// Filter tests the rows of one scan at a time.
class Filter {
public:
    // Resolves every name (unknown names: 3061, listing them) and checks the types
    // of comparisons (3464 when they cannot be compared). A statement without WHERE
    // gives a filter that keeps every row.
    static Filter compile(const Statement& statement, const std::vector<engine::Column>& columns);

    Filter(Filter&&) noexcept;
    Filter& operator=(Filter&&) noexcept;
    ~Filter();

    // True when the WHERE clause is True for row (False and Null drop the row).
    // row holds one Value per column given to compile(). Does not allocate.
    bool matches(const engine::Row& row) const;

    struct Impl;

private:
    explicit Filter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The select list as column indexes, in select order (all columns for *).
// Unknown names: 3061.
std::vector<int> resolveColumns(const Statement& statement,
                                const std::vector<engine::Column>& columns);

// The text a non-text value is matched against by LIKE (core/text_form.h):
// integers in decimal; Currency and Decimal with their decimals, trailing zeros
// dropped; Single and Double in their shortest round-trip form; dates as
// yyyy-mm-dd[ hh:nn:ss] (a bare time on day 0), Date/Time Extended with seven
// digits of a fraction of a second when it has one; booleans as True/False; GUIDs
// braced; binary data as its bytes read as UTF-16LE. Text, and the joined values
// of attachments and multi-valued fields, are returned unchanged; Null gives "".
std::u16string textForm(const engine::Value& value);

}  // namespace sql
