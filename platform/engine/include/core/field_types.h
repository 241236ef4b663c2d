#pragma once
// The field type codes, as DAO numbers them (DataTypeEnum): the window's type
// words, the engine's values and the tools all speak of a column's type by these.
// Access 2007-2019 added Large Number (dbBigInt), Date/Time Extended
// (dbDateTimeExtended), attachments (dbAttachment) and multi-valued fields, one
// code per type of their values (dbComplexByte ... dbComplexText).

#include <cstdint>

namespace engine {

enum FieldTypeCode : std::int16_t {
    kTypeBoolean = 1,
    kTypeByte = 2,
    kTypeInteger = 3,
    kTypeLong = 4,
    kTypeCurrency = 5,
    kTypeSingle = 6,
    kTypeDouble = 7,
    kTypeDate = 8,
    kTypeBinary = 9,
    kTypeText = 10,
    kTypeLongBinary = 11,
    kTypeMemo = 12,
    kTypeGuid = 15,
    kTypeBigInt = 16,
    kTypeDecimal = 20,
    kTypeDateTimeExtended = 26,
    kTypeAttachment = 101,
    kTypeComplexByte = 102,
    kTypeComplexInteger = 103,
    kTypeComplexLong = 104,
    kTypeComplexSingle = 105,
    kTypeComplexDouble = 106,
    kTypeComplexGuid = 107,
    kTypeComplexDecimal = 108,
    kTypeComplexText = 109,
};

}  // namespace engine
