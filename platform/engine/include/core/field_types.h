#pragma once
// The field type codes, as DAO numbers them: the window's type words, the
// engine's values and the tools all speak of a column's type by these.

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
    kTypeDecimal = 20,
};

}  // namespace engine
