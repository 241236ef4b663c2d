#pragma once
// What a table definition alone does not say about the columns Access 2007-2019
// added: a calculated column's result type, kept in the table's properties, and
// where a complex column's values are, said by MSysComplexColumns.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "table_def.h"

namespace jet {

struct CatalogueLookup {
    // The name of the table whose definition starts at a page; empty when none.
    std::function<std::u16string(std::uint32_t tdefPage)> nameAt;
    // The first definition page of the table of that name; 0 when none.
    std::function<std::uint32_t(std::u16string_view name)> pageOf;
};

// Completes the calculated and complex columns of def (read from file): each
// calculated column takes its result type; each multi-valued or attachment
// column its hidden table (ComplexSource) and its type code; a version history
// column, which Access does not show as a field (an append-only memo shows its
// latest text), is left out; a complex column of a kind not known here stays raw
// bytes, an empty cell. A missing or damaged link: 3343 naming the table and
// column.
void completeAceColumns(const std::shared_ptr<const PageFile>& file,
                        const std::shared_ptr<const TextDecoder>& text,
                        const CatalogueLookup& catalogue, TableDef& def);

}  // namespace jet
