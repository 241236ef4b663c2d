// Speed and peak memory of a large export: 65,535 records of 13 fields, some of
// them memos of several kB. Prints seconds, workbook size, peak heap through
// operator new (every buffer of the writers) and the process's peak resident
// size, which holds everything.
//
//   excel_bench [folder]      (default: /tmp)

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "excel/excel.h"

namespace {
std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};
}  // namespace

// Counts heap bytes in use (each block carries its size in front of it).
void* operator new(std::size_t n) {
    auto* p = static_cast<std::size_t*>(std::malloc(n + 16));
    if (!p) throw std::bad_alloc();
    *p = n;
    std::size_t now = live += n;
    std::size_t old = peak.load();
    while (now > old && !peak.compare_exchange_weak(old, now)) {
    }
    return reinterpret_cast<char*>(p) + 16;
}
void operator delete(void* q) noexcept {
    if (!q) return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(q) - 16);
    live -= *p;
    std::free(p);
}
void operator delete(void* q, std::size_t) noexcept { operator delete(q); }
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete[](void* q) noexcept { operator delete(q); }
void operator delete[](void* q, std::size_t) noexcept { operator delete(q); }
// Aligned blocks (the writers' 2 MB chunks) the same, their size one alignment
// in front of them.
void* operator new(std::size_t n, std::align_val_t al) {
    const auto a = static_cast<std::size_t>(al);
    auto* p = static_cast<char*>(std::aligned_alloc(a, (n + a + a - 1) / a * a));
    if (!p) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(p) = n;
    std::size_t now = live += n;
    std::size_t old = peak.load();
    while (now > old && !peak.compare_exchange_weak(old, now)) {
    }
    return p + a;
}
void operator delete(void* q, std::align_val_t al) noexcept {
    if (!q) return;
    char* p = static_cast<char*>(q) - static_cast<std::size_t>(al);
    live -= *reinterpret_cast<std::size_t*>(p);
    std::free(p);
}
void operator delete(void* q, std::size_t, std::align_val_t al) noexcept { operator delete(q, al); }

int main(int argc, char** argv) {
    using engine::Type;
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::string path = folder + "/excel_bench_" + std::to_string(::getpid()) + ".xls";
    std::vector<engine::Column> columns = {
        {u"Id", Type::Long},         {u"Name", Type::Text},     {u"City", Type::Text},
        {u"Amount", Type::Currency}, {u"When", Type::Date},     {u"Ratio", Type::Double},
        {u"Flag", Type::Boolean},    {u"Count", Type::Integer}, {u"Small", Type::Byte},
        {u"Code", Type::Guid},       {u"Note", Type::Memo},     {u"Single", Type::Single},
        {u"Remark", Type::Text}};
    engine::Row row(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) row[c].type = columns[c].type;
    // Every 50th memo holds 4-5 k characters; texts repeat (cities) and differ.
    auto fill = [&](int i) {
        row[0].integer = i;
        row[1].text = u"Customer " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                      std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        row[2].text = i % 3 ? u"Roma" : u"Milano";
        row[3].integer = static_cast<std::int64_t>(i) * 12345;
        row[4].number = 40000 + i * 0.37;
        row[5].number = i / 7.0;
        row[6].boolean = i % 2;
        row[7].integer = i % 30000;
        row[8].integer = i % 256;
        row[9].bytes = std::string(16, static_cast<char>(i));
        row[10].text = std::u16string(i % 50 == 0 ? 4000 + i % 1000 : 40,
                                      static_cast<char16_t>(u'a' + i % 26));
        row[10].text += std::u16string(1, static_cast<char16_t>(i));
        row[11].number = i * 0.5;
        row[12].text =
            u"Remark number " + std::u16string(1, static_cast<char16_t>(0x4e00 + i % 500));
    };
    // The rows alone, as a reader would hand them over, for comparison.
    auto genStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 65535; ++i) fill(i);
    double generation =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - genStart).count();

    const std::size_t before = peak.load();
    auto start = std::chrono::steady_clock::now();
    auto commitStart = start;
    {
        excel::SheetExport out(path, u"Bench", columns);
        for (int i = 0; i < 65535; ++i) {
            fill(i);
            out.addRow(row);
        }
        commitStart = std::chrono::steady_clock::now();
        out.commit();
    }
    auto end = std::chrono::steady_clock::now();
    double seconds = std::chrono::duration<double>(end - start).count();
    std::printf(
        "making the rows alone: %.3f s; making and adding them: %.3f s; commit (file "
        "written and synced): %.3f s\n",
        generation, std::chrono::duration<double>(commitStart - start).count(),
        std::chrono::duration<double>(end - commitStart).count());
    const auto size = std::filesystem::file_size(path);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "rows 65535 x 13: %.3f s, workbook %.1f MB, peak heap %.1f MB (%.2fx), max RSS %.1f MB\n",
        seconds, size / 1e6, (peak.load() - before) / 1e6,
        static_cast<double>(peak.load() - before) / static_cast<double>(size),
        usage.ru_maxrss / 1e3);
    std::filesystem::remove(path);
    return 0;
}
