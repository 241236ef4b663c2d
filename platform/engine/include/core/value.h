#pragma once
// Typed values as they travel inside the engine: decoded from a table's rows,
// tested by a statement's WHERE clause and written as workbook cells. jet/, sql/
// and excel/ all speak this vocabulary and nothing of each other.

#include <cstdint>
#include <string>
#include <vector>

#include "core/field_types.h"

namespace engine {

// Type of a column or value; the numbers are the field type codes. Null is only
// ever the type of a value.
enum class Type : std::int16_t {
    Null = 0,
    Boolean = kTypeBoolean,
    Byte = kTypeByte,
    Integer = kTypeInteger,
    Long = kTypeLong,
    Currency = kTypeCurrency,
    Single = kTypeSingle,
    Double = kTypeDouble,
    Date = kTypeDate,
    Binary = kTypeBinary,
    Text = kTypeText,
    LongBinary = kTypeLongBinary,
    Memo = kTypeMemo,
    Guid = kTypeGuid,
    BigInt = kTypeBigInt,
    Decimal = kTypeDecimal,
    DateTimeExtended = kTypeDateTimeExtended,
    Attachment = kTypeAttachment,
    ComplexByte = kTypeComplexByte,
    ComplexInteger = kTypeComplexInteger,
    ComplexLong = kTypeComplexLong,
    ComplexSingle = kTypeComplexSingle,
    ComplexDouble = kTypeComplexDouble,
    ComplexGuid = kTypeComplexGuid,
    ComplexDecimal = kTypeComplexDecimal,
    ComplexText = kTypeComplexText,
};

// Attachments and multi-valued fields hold several values in a hidden table; the
// engine reads them as one text, the values joined by "; ".
inline bool isComplex(Type t) { return t >= Type::Attachment && t <= Type::ComplexText; }

// Types whose values are held in Value::text.
inline bool holdsText(Type t) { return t == Type::Text || t == Type::Memo || isComplex(t); }

// An exact decimal number: (negative ? -1 : 1) * mantissa / 10^scale.
// Jet stores at most 28 digits, so 128 bits hold every mantissa.
struct Decimal {
    unsigned __int128 mantissa = 0;
    std::uint8_t scale = 0;
    bool negative = false;
};

// One value. Which member holds it depends on type:
//   Boolean                  boolean
//   Byte, Integer, Long      integer
//   BigInt                   integer (Large Number, 8 bytes)
//   Currency                 integer, a count of ten-thousandths
//   Single                   number, the nearest double of the float's shortest decimal form
//   Double                   number, bit for bit
//   Date                     number, days since 1899-12-30 (fraction = time of day)
//   DateTimeExtended         integer, 100 ns ticks since 0001-01-01 00:00:00
//                            (core/conversions.h: kLastExtTick at most)
//   Decimal                  decimal
//   Text, Memo               text (UTF-16)
//   Attachment               text: the attached files' names, joined by "; "
//   Complex...               text: the values (multi-valued field), joined by "; "
//   Binary, LongBinary       bytes
//   Guid                     bytes, 16 of them in the order stored on disk
// Members not named for the type are unspecified; a reader reuses one Value per
// column across rows, so the strings keep their capacity.
struct Value {
    Type type = Type::Null;
    bool boolean = false;
    std::int64_t integer = 0;
    double number = 0;
    Decimal decimal;
    std::u16string text;
    std::string bytes;

    bool isNull() const { return type == Type::Null; }
};

struct Column {
    std::u16string name;
    Type type = Type::Text;
    std::uint8_t precision = 0;  // Decimal only
    std::uint8_t scale = 0;      // Decimal only
};

using Row = std::vector<Value>;

// A table's rows, read once in storage order. next() fills row (one Value per
// column, same order as columns()) and returns false after the last row.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual const std::vector<Column>& columns() const = 0;
    virtual bool next(Row& row) = 0;
};

}  // namespace engine
