#pragma once
// The properties Access keeps for a table and its columns (MSysObjects.LvProp):
// only read here, for what the table definition alone does not say (a calculated
// column's result type).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct Property {
    std::u16string map;  // the column it belongs to; empty for the table's own
    std::u16string name;
    std::uint8_t type = 0;  // a column type byte (format.h ColumnType)
    std::string data;
};

// Every property of a property blob (format.h, kPropertySignature and after). An
// empty blob has none. Nullopt when the blob is damaged: an unknown signature, a
// length past its block, a name index past the names.
std::optional<std::vector<Property>> parseProperties(std::string_view blob);

}  // namespace jet
