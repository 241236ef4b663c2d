#pragma once
// mkmdb writes new Access databases: Access 2000-2003 (Jet 4, the default) or
// Access 97 (Jet 3) ".mdb" files, or Access 2007-2019 (ACE) ".accdb" files,
// from a description of their tables and rows, so that tests, benchmarks and
// examples can have databases of known content. Plain C++20, no Qt.
//
//   mkmdb::Database db;
//   auto& t = db.addTable("Clienti", {{"ID", mkmdb::Type::Long, {.autoNumber = true}},
//                                     {"Nome", mkmdb::Type::Text, {.size = 50}}});
//   t.addRow({mkmdb::Null{}, "Mario"});
//   mkmdb::write(db, "/tmp/clienti.mdb");
//
// Every failure throws mkmdb::Error naming the table, column and row concerned;
// write() never leaves a partial file behind.

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mkmdb {

// Field type codes, DAO's numbers, which the engine's interface uses too.
enum class Type : std::int16_t {
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    Long = 4,
    Currency = 5,
    Single = 6,
    Double = 7,
    Date = 8,
    Binary = 9,
    Text = 10,
    LongBinary = 11,  // OLE Object
    Memo = 12,
    Guid = 15,         // Replication ID
    LargeNumber = 16,  // DAO's BigInt: 8-byte signed integer; Access 2016 and later
    Decimal = 20,
    DateTimeExtended = 26,  // 0001-01-01 to 9999-12-31, to 100 ns; Access 2019 and later
};

struct ColumnOptions {
    int size = 0;             // Text: characters, Binary: bytes; 1..255, 0 means 255 (Text: 50)
    bool autoNumber = false;  // Long only: a Null value gets the next number
    int precision = 18;       // Decimal only: 1..28 digits
    int scale = 0;            // Decimal only: 0..precision digits after the point
    bool compressed = true;   // Text, Memo: use Jet's compressed Unicode form where it is shorter
};

struct Column {
    std::string name;  // UTF-8, 1..64 characters
    Type type = Type::Text;
    ColumnOptions options;
};

// Value forms beyond the plain C++ ones.
struct Null {};
struct Bytes {
    std::string data;
};
struct Currency {
    std::int64_t tenThousandths = 0;
};
struct DateTime {
    double days = 0;  // since 1899-12-30; the fraction is the time of day
};
// A Date/Time Extended value: a proleptic Gregorian date from 0001-01-01 to
// 9999-12-31 and a time of day to 100 ns.
struct DateTimeExtended {
    int year = 1, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    std::int32_t ticks = 0;  // 100-nanosecond units past the second: 0..9999999
};
struct Guid {
    std::array<std::uint8_t, 16> bytes{};  // in the order stored on disk
};
struct Decimal {
    bool negative = false;
    unsigned __int128 mantissa = 0;  // value = ±mantissa / 10^scale
    int scale = 0;
};

// One cell. Which forms a column accepts:
//   Boolean      bool (Jet keeps booleans in the null mask: Null is refused)
//   Byte/Integer/Long  integers in range; Long autoNumber also Null (numbered)
//   Currency     Currency, integer (whole units), or text "-12.3456"
//   Single/Double  double or integer
//   Date         DateTime, double (days), or text "YYYY-MM-DD[ HH:MM:SS]"
//   LargeNumber  any integer, or text "-9223372036854775808" (whole, in range)
//   DateTimeExtended  DateTimeExtended, or text "YYYY-MM-DD[ HH:MM:SS[.fffffff]]"
//                (1 to 7 fraction digits)
//   Binary, LongBinary  Bytes
//   Text, Memo   UTF-8 text or UTF-16 (std::u16string; may hold any code unit)
//   Guid         Guid or text "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
//   Decimal      Decimal, integer, or text "-123.45"
// Null is accepted by every type except Boolean.
class Value {
public:
    enum class Kind {
        Null, Boolean, Integer, Number, Text, Text16, Bytes, Currency, DateTime, Guid, Decimal, DateTimeExtended
    };

    Value() = default;
    Value(Null) {}
    Value(bool b) : kind_(Kind::Boolean), integer_(b) {}
    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
    Value(T i) : kind_(Kind::Integer), integer_(static_cast<std::int64_t>(i)) {}
    Value(double d) : kind_(Kind::Number), number_(d) {}
    Value(const char* s) : kind_(Kind::Text), text_(s) {}
    Value(std::string s) : kind_(Kind::Text), text_(std::move(s)) {}
    Value(std::string_view s) : kind_(Kind::Text), text_(s) {}
    Value(const char8_t* s) : kind_(Kind::Text), text_(reinterpret_cast<const char*>(s)) {}
    Value(std::u16string s) : kind_(Kind::Text16), text16_(std::move(s)) {}
    Value(const char16_t* s) : kind_(Kind::Text16), text16_(s) {}
    Value(Bytes b) : kind_(Kind::Bytes), text_(std::move(b.data)) {}
    Value(Currency c) : kind_(Kind::Currency), integer_(c.tenThousandths) {}
    Value(DateTime d) : kind_(Kind::DateTime), number_(d.days) {}
    Value(Guid g) : kind_(Kind::Guid), guid_(g) {}
    Value(Decimal d) : kind_(Kind::Decimal), decimal_(d) {}
    Value(DateTimeExtended d) : kind_(Kind::DateTimeExtended), dateTimeExtended_(d) {}

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool boolean() const { return integer_ != 0; }
    std::int64_t integer() const { return integer_; }  // Integer, Currency
    double number() const { return number_; }          // Number, DateTime
    const std::string& text() const { return text_; }  // Text (UTF-8), Bytes
    const std::u16string& text16() const { return text16_; }
    const Guid& guid() const { return guid_; }
    const Decimal& decimal() const { return decimal_; }
    const DateTimeExtended& dateTimeExtended() const { return dateTimeExtended_; }

private:
    Kind kind_ = Kind::Null;
    std::int64_t integer_ = 0;
    double number_ = 0;
    std::string text_;
    std::u16string text16_;
    Guid guid_;
    Decimal decimal_;
    DateTimeExtended dateTimeExtended_;
};

using Row = std::vector<Value>;

// Fills one generated row. row arrives sized to the column count and still
// holding the previous generated row's values (so buffers are reused): set
// every column. index runs from 0.
using RowGenerator = std::function<void(std::uint64_t index, Row& row)>;

class Error : public std::runtime_error {
public:
    Error(std::string table, std::string column, std::uint64_t row, const std::string& message);
    explicit Error(const std::string& message) : Error({}, {}, 0, message) {}
    const std::string& table() const { return table_; }
    const std::string& column() const { return column_; }
    std::uint64_t row() const { return row_; }  // 1-based; 0 when no row is concerned

private:
    std::string table_;
    std::string column_;
    std::uint64_t row_ = 0;
};

class Table {
public:
    Table(std::string name, std::vector<Column> columns);

    const std::string& name() const { return name_; }
    const std::vector<Column>& columns() const { return columns_; }
    const std::vector<Row>& rows() const { return rows_; }
    std::uint64_t generatedRows() const { return generatedCount_; }
    const RowGenerator& generator() const { return generator_; }

    // Rows are checked against the columns when the database is written.
    Table& addRow(Row row);
    // Adds count rows made on demand while writing, after the added rows, so
    // huge tables never sit in memory.
    Table& generateRows(std::uint64_t count, RowGenerator fill);

private:
    std::string name_;
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    std::uint64_t generatedCount_ = 0;
    RowGenerator generator_;
};

enum class Version {
    Jet3 = 3,  // Access 97: 2 kB pages, code page 1252 text, no Decimal
    Jet4 = 4,  // Access 2000-2003: 4 kB pages, Unicode text
    // Access 2007-2019 (ACE): Jet 4's pages under an ACE header; no password.
    Ace2007 = 2007,
    Ace2010 = 2010,
    Ace2016 = 2016,  // adds Large Number
    Ace2019 = 2019,  // adds Date/Time Extended
};

class Database {
public:
    // Checks the table's name and columns at once (throws Error); the
    // returned reference stays valid while the Database lives.
    Table& addTable(std::string name, std::vector<Column> columns);
    const std::deque<Table>& tables() const { return tables_; }

    void setVersion(Version v) { version_ = v; }
    Version version() const { return version_; }

    // Up to 20 characters (Jet 3: code page 1252); empty means no password.
    // Access 2007-2019 databases keep none in the header (Access encrypts the
    // file instead): writing one with a password is refused.
    void setPassword(std::string password);
    const std::string& password() const { return password_; }

    // Stamped in the header and the catalogue. Default: $SOURCE_DATE_EPOCH
    // when set (reproducible files), otherwise the time of writing.
    void setCreationDate(DateTime when) { creationDate_ = when.days; }
    double creationDate() const { return creationDate_; }

    // For readers' tests: the most bytes of a chained long value per LVAL page
    // (odd sizes split UTF-16 units between pages). 0, the default: what a page holds.
    void setLongValuePiece(std::size_t bytes) { longValuePiece_ = bytes; }
    std::size_t longValuePiece() const { return longValuePiece_; }

private:
    std::deque<Table> tables_;
    std::string password_;
    double creationDate_ = -1;
    std::size_t longValuePiece_ = 0;
    Version version_ = Version::Jet4;
};

struct WriteStats {
    std::uint64_t pages = 0;
    std::uint64_t rows = 0;  // user tables' rows
    // How the user tables' Memo and OLE values were stored.
    std::uint64_t inlineLongValues = 0;
    std::uint64_t singlePageLongValues = 0;
    std::uint64_t chainedLongValues = 0;
};

// Writes db as a new database at path, replacing any file there only
// when the whole database was written.
WriteStats write(const Database& db, const std::filesystem::path& path);

// The JSON description format (see tools/mkmdb/README.md).
Database parseDescription(std::string_view json);
Database readDescription(const std::filesystem::path& path);

// Helpers for values given as text, shared with the description reader.
// Each throws std::invalid_argument with a short reason.
DateTime parseDate(std::string_view text);
DateTimeExtended parseDateTimeExtended(std::string_view text);
Guid parseGuid(std::string_view text);
Decimal parseDecimal(std::string_view text);
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace mkmdb
