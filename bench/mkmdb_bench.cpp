// Writing speed of mkmdb: 1,000,000 generated rows of 10 columns (numbers,
// dates, texts, a few memos) into a new database. Target: about 10 s or less.
//   mkmdb_bench [ROWS] [OUTPUT.mdb]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mkmdb.h"

int main(int argc, char** argv) {
    using mkmdb::Type;
    const std::uint64_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const std::filesystem::path path =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path() / "mkmdb_bench.mdb";

    mkmdb::Database db;
    db.addTable("Movimenti", {{"Id", Type::Long, {.autoNumber = true}},
                              {"Conto", Type::Long, {}},
                              {"Causale", Type::Text, {.size = 40}},
                              {"Importo", Type::Currency, {}},
                              {"Tasso", Type::Double, {}},
                              {"Data", Type::Date, {}},
                              {"Confermato", Type::Boolean, {}},
                              {"Filiale", Type::Integer, {}},
                              {"Nota", Type::Memo, {}},
                              {"Codice", Type::Text, {.size = 10}}})
        .generateRows(rows, [](std::uint64_t i, mkmdb::Row& row) {
            row[0] = mkmdb::Null{};
            row[1] = static_cast<std::int64_t>(100000 + i % 5000);
            row[2] = "Bonifico n. " + std::to_string(i) + " da Milano";
            row[3] = mkmdb::Currency{static_cast<std::int64_t>(i * 7919 % 100000000) - 50000000};
            row[4] = 0.01 * static_cast<double>(i % 1000);
            row[5] = mkmdb::DateTime{43000.0 + static_cast<double>(i % 3000) + static_cast<double>(i % 86400) / 86400.0};
            row[6] = i % 2 == 0;
            row[7] = static_cast<int>(i % 300);
            row[8] = i % 20 == 0 ? mkmdb::Value("verificato dall'ufficio di Torino") : mkmdb::Value();
            row[9] = "C" + std::to_string(i % 1000000);
        });

    auto start = std::chrono::steady_clock::now();
    mkmdb::WriteStats stats = mkmdb::write(db, path);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double megabytes = static_cast<double>(stats.pages) * 4096.0 / 1e6;
    std::printf("mkmdb_bench: %llu rows x 10 columns written in %.2f s (%.0f rows/s), %llu pages, %.1f MB, %.1f MB/s\n",
                static_cast<unsigned long long>(stats.rows), seconds, static_cast<double>(stats.rows) / seconds,
                static_cast<unsigned long long>(stats.pages), megabytes, megabytes / seconds);
    if (argc <= 2) std::filesystem::remove(path);
    return 0;
}
