// jet_bench [WORK_DIR]: figures for the .mdb reader on databases written by mkmdb.
//  1. open a 1,000-table database and list its tables (target: <= 50 ms);
//  2. read every row, typed, of a 1,000,000-row, 10-column table, side by side
//     with mdb-export of the same table (target: >= 10x faster).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "mkmdb.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double cpuMs(const rusage& u) {
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double selfCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return cpuMs(u);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void makeCatalogue(const std::string& path) {
    mkmdb::Database db;
    for (int i = 0; i < 1000; ++i) {
        auto& t = db.addTable("Tabella " + std::to_string(i),
                              {{"ID", mkmdb::Type::Long, {}}, {"Nome", mkmdb::Type::Text, {.size = 50}}});
        t.addRow({i, "riga"});
    }
    mkmdb::write(db, path);
}

void makeBig(const std::string& path, std::uint64_t rows) {
    mkmdb::Database db;
    auto& t = db.addTable("Movimenti", {{"ID", mkmdb::Type::Long, {}},
                                        {"Cliente", mkmdb::Type::Text, {.size = 50}},
                                        {"Importo", mkmdb::Type::Currency, {}},
                                        {"Quantita", mkmdb::Type::Integer, {}},
                                        {"Prezzo", mkmdb::Type::Double, {}},
                                        {"Sconto", mkmdb::Type::Single, {}},
                                        {"Data", mkmdb::Type::Date, {}},
                                        {"Pagato", mkmdb::Type::Boolean, {}},
                                        {"Codice", mkmdb::Type::Text, {.size = 10}},
                                        {"Nota", mkmdb::Type::Text, {.size = 100}}});
    t.generateRows(rows, [](std::uint64_t i, mkmdb::Row& r) {
        r[0] = static_cast<std::int64_t>(i);
        r[1] = "Cliente numero " + std::to_string(i % 9973);
        r[2] = mkmdb::Currency{static_cast<std::int64_t>(i * 12345 % 100000000)};
        r[3] = static_cast<std::int64_t>(i % 1000);
        r[4] = static_cast<double>(i) / 7.0;
        r[5] = static_cast<double>(static_cast<float>(i % 100) / 10.0f);
        r[6] = mkmdb::DateTime{40000.0 + static_cast<double>(i % 5000) + 0.5};
        r[7] = i % 2 == 0;
        r[8] = "C" + std::to_string(i % 100000);
        if (i % 5 == 0)
            r[9] = mkmdb::Null{};
        else
            r[9] = "nota di prova per la riga " + std::to_string(i);
    });
    mkmdb::write(db, path);
}

// Wall time of one mdb-export run; its CPU time in *cpu.
double timeMdbExport(const std::string& path, const std::string& table, double* cpu) {
    std::fflush(stdout);  // else the child's freopen writes our buffered lines again
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execlp("mdb-export", "mdb-export", path.c_str(), table.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    *cpu = cpuMs(u);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return msSince(t0);
}

}  // namespace

int main(int argc, char** argv) {
    // An option here would otherwise become a folder of 100 MB of databases.
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs("usage: jet_bench [WORK_DIR]\n", stderr);
        return 2;
    }
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "jet_bench";
    fs::create_directories(work);
    const std::string catalogue = (work / "tables1000.mdb").string();
    const std::string big = (work / "rows1m.mdb").string();
    constexpr std::uint64_t kRows = 1000000;
    if (!fs::exists(catalogue)) makeCatalogue(catalogue);
    if (!fs::exists(big)) makeBig(big, kRows);

    // 1. Open and list the tables.
    std::vector<double> openMs;
    std::size_t tables = 0;
    for (int i = 0; i < 15; ++i) {
        const auto t0 = Clock::now();
        auto db = jet::Database::open(catalogue);
        tables = db->tableNames().size();
        openMs.push_back(msSince(t0));
    }
    std::printf("open + list tables: %zu tables, median %.2f ms over %zu runs (target <= 50 ms)\n", tables,
                median(openMs), openMs.size());

    // 2. Full typed read, side by side with mdb-export.
    // Wall and CPU time: on a loaded machine the CPU figures compare more fairly.
    std::vector<double> readMs, readCpuMs;
    std::uint64_t rows = 0;
    for (int i = 0; i < 3; ++i) {
        const double c0 = selfCpuMs();
        const auto t0 = Clock::now();
        auto db = jet::Database::open(big);
        auto table = db->openTable(u"Movimenti");
        engine::Row row;
        rows = 0;
        while (table->next(row)) ++rows;
        readMs.push_back(msSince(t0));
        readCpuMs.push_back(selfCpuMs() - c0);
    }
    double exportCpu = 0;
    const double exportMs = timeMdbExport(big, "Movimenti", &exportCpu);
    const double ours = median(readMs);
    const double oursCpu = median(readCpuMs);
    std::printf("typed read: %llu rows x 10 columns, median %.0f ms wall, %.0f ms CPU (%.2f M rows/s)\n",
                static_cast<unsigned long long>(rows), ours, oursCpu, rows / ours / 1000.0);
    if (exportMs > 0)
        std::printf("mdb-export of the same table: %.0f ms wall, %.0f ms CPU; ratio %.1fx wall, %.1fx CPU "
                    "(target >= 10x)\n",
                    exportMs, exportCpu, exportMs / ours, exportCpu / oursCpu);
    else
        std::printf("mdb-export: not available\n");
    return rows == kRows ? 0 : 1;
}
