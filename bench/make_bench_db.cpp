// make_bench_db PATH [ROWS [VERSION]]
// Writes the export benchmark's database: two tables of 13 columns of every
// common type (65,535 rows each by default), "Bench" with a memo of several kB
// in every tenth row and "BenchShort" with short memos only, generated row by
// row so that nothing large sits in memory. VERSION: 4 (Access 2000-2003, the
// default) or 2007, 2010, 2016, 2019 for the same tables in an .accdb file.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mkmdb.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: make_bench_db PATH [ROWS [VERSION]]\n", stderr);
        return 2;
    }
    const std::uint64_t rows = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 65535;
    using mkmdb::Type;
    mkmdb::Database db;
    const long version = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 4;
    switch (version) {
        case 4: db.setVersion(mkmdb::Version::Jet4); break;
        case 2007: db.setVersion(mkmdb::Version::Ace2007); break;
        case 2010: db.setVersion(mkmdb::Version::Ace2010); break;
        case 2016: db.setVersion(mkmdb::Version::Ace2016); break;
        case 2019: db.setVersion(mkmdb::Version::Ace2019); break;
        default: std::fputs("make_bench_db: VERSION is 4, 2007, 2010, 2016 or 2019\n", stderr); return 2;
    }
    static const char* const kCities[] = {"Roma",   "Milano",  "Napoli",  "Torino", "Palermo",
                                          "Genova", "Bologna", "Firenze", "Bari",   "Catania"};
    const std::string longNote(4000, 'n');
    for (const bool longNotes : {true, false}) {
        auto& t = db.addTable(longNotes ? "Bench" : "BenchShort",
                              {{"ID", Type::Long, {}},
                               {"Nome", Type::Text, {.size = 50}},
                               {"Citta", Type::Text, {.size = 50}},
                               {"Attivo", Type::Boolean, {}},
                               {"Eta", Type::Byte, {}},
                               {"Punti", Type::Integer, {}},
                               {"Saldo", Type::Currency, {}},
                               {"Peso", Type::Single, {}},
                               {"Valore", Type::Double, {}},
                               {"Nato", Type::Date, {}},
                               {"Nota", Type::Memo, {}},
                               {"Codice", Type::Guid, {}},
                               {"Importo", Type::Decimal, {.precision = 18, .scale = 2}}});
        t.generateRows(rows, [&, longNotes](std::uint64_t i, mkmdb::Row& r) {
            r[0] = static_cast<std::int64_t>(i + 1);
            r[1] = "Cliente numero " + std::to_string(i + 1);
            r[2] = kCities[i % 10];
            r[3] = (i % 3) == 0;
            r[4] = static_cast<std::int64_t>(i % 100);
            r[5] = static_cast<std::int64_t>(i % 30000) - 15000;
            r[6] = mkmdb::Currency{static_cast<std::int64_t>(i) * 12345 - 400000000};
            r[7] = static_cast<double>(static_cast<float>(i) / 7.0f);
            r[8] = static_cast<double>(i) * 3.14159265358979;
            r[9] = mkmdb::DateTime{20000.0 + static_cast<double>(i % 20000) + (i % 2 ? 0.5 : 0.0)};
            if (longNotes && i % 10 == 0) {
                r[10] = longNote + std::to_string(i);
            } else {
                r[10] = "nota " + std::to_string(i);
            }
            mkmdb::Guid g;
            for (int b = 0; b < 16; ++b) g.bytes[b] = static_cast<std::uint8_t>((i >> (b % 8)) + b);
            r[11] = g;
            r[12] = mkmdb::Decimal{i % 2 == 1, static_cast<unsigned __int128>(i) * 101, 2};
        });
    }
    try {
        mkmdb::write(db, argv[1]);
    } catch (const mkmdb::Error& e) {
        std::fprintf(stderr, "make_bench_db: %s\n", e.what());
        return 1;
    }
    return 0;
}
