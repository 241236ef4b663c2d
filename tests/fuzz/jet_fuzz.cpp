// libFuzzer target: open a database from arbitrary bytes, list its tables, open
// each and read every row. Any outcome but data or converti::Error is a bug.
#include <cstddef>
#include <cstdint>
#include <string>

#include "error/error.h"
#include "jet/jet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto db = jet::Database::openBuffer(std::string(reinterpret_cast<const char*>(data), size));
        for (const auto& name : db->tableNames()) {
            try {
                auto table = db->openTable(name);
                engine::Row row;
                while (table->next(row)) {
                }
            } catch (const converti::Error&) {
            }
        }
    } catch (const converti::Error&) {
    }
    return 0;
}
