// A million generated rows over tens of thousands of data pages (so the table's
// usage map needs usage-map pages), checked by both readers: every value through
// mdb-export, and per-column fingerprints of every value through mdb-reader.
#include <cinttypes>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Type;

constexpr std::uint64_t kRows = 1000000;

std::vector<mkmdb::Column> columns() {
    return {{"Id", Type::Long, {.autoNumber = true}},
            {"Codice", Type::Integer, {}},
            {"Nome", Type::Text, {.size = 60}},
            {"Saldo", Type::Currency, {}},
            {"Peso", Type::Double, {}},
            {"Data", Type::Date, {}},
            {"Attivo", Type::Boolean, {}},
            {"Livello", Type::Byte, {}},
            {"Nota", Type::Memo, {}},
            {"Cap", Type::Text, {.size = 5, .compressed = false}}};
}

// The values of row i, as numbers the checks below can turn into each reader's text.
struct Expected {
    std::int64_t codice, saldo, dateSeconds, livello;
    std::string nome, nota, cap;
    bool pesoNull, notaNull, attivo;
    double peso, dateDays;
};

Expected expected(std::uint64_t i) {
    Expected e;
    e.codice = static_cast<std::int64_t>(i % 65536) - 32768;
    e.nome = "Cliente numero " + std::to_string(i) + " della prova grande";
    e.saldo = static_cast<std::int64_t>((i * 12345) % 100000000) - 50000000;
    e.pesoNull = i % 7 == 0;
    e.peso = static_cast<double>(i) + 0.5;
    std::int64_t day = 40000 + static_cast<std::int64_t>(i % 5000);
    std::int64_t second = static_cast<std::int64_t>(i % 86400);
    e.dateDays = static_cast<double>(day) + static_cast<double>(second) / 86400.0;
    e.dateSeconds = (day - 25569) * 86400 + second;
    e.attivo = i % 3 == 0;
    e.livello = static_cast<std::int64_t>(i % 256);
    e.notaNull = i % 10 != 0;
    e.nota = "nota " + std::to_string(i);
    char cap[8];
    std::snprintf(cap, sizeof cap, "%05u", static_cast<unsigned>(i % 100000));
    e.cap = cap;
    return e;
}

void fill(std::uint64_t i, mkmdb::Row& row) {
    Expected e = expected(i);
    row[0] = mkmdb::Null{};
    row[1] = e.codice;
    row[2] = e.nome;
    row[3] = mkmdb::Currency{e.saldo};
    row[4] = e.pesoNull ? mkmdb::Value() : mkmdb::Value(e.peso);
    row[5] = mkmdb::DateTime{e.dateDays};
    row[6] = e.attivo;
    row[7] = e.livello;
    row[8] = e.notaNull ? mkmdb::Value() : mkmdb::Value(e.nota);
    row[9] = e.cap;
}

std::string currencyText(std::int64_t units) {
    std::uint64_t a = units < 0 ? static_cast<std::uint64_t>(-units) : static_cast<std::uint64_t>(units);
    char s[40];
    std::snprintf(s, sizeof s, "%s%" PRIu64 ".%04" PRIu64, units < 0 ? "-" : "", a / 10000, a % 10000);
    return s;
}

std::string doubleHex(double d) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &d, 8);
    return "d:" + b(bytes).substr(2);
}

std::string utf16Of(const std::string& ascii) { return u(std::u16string(ascii.begin(), ascii.end())); }

std::uint32_t fnv(const std::string& token) {
    std::uint32_t h = 0x811c9dc5;
    for (unsigned char c : token) h = (h ^ c) * 16777619u;
    return h;
}

class MkmdbLarge : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        path_ = dir_->file("grande.mdb");
        mkmdb::Database db;
        db.addTable("Piccola", {{"N", Type::Long, {}}}).addRow({1});
        db.addTable("Grande", columns()).generateRows(kRows, fill);
        db.addTable("Ultima", {{"N", Type::Long, {}}}).addRow({2});
        stats_ = mkmdb::write(db, path_);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static TempDir* dir_;
    static std::filesystem::path path_;
    static mkmdb::WriteStats stats_;
};

TempDir* MkmdbLarge::dir_ = nullptr;
std::filesystem::path MkmdbLarge::path_;
mkmdb::WriteStats MkmdbLarge::stats_;

std::uint32_t le32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(k)]);
    return v;
}

// Follows the table definition's usage-map pointer to the map record and
// returns its type byte (Jet page notes, "Page Usage Maps").
int usageMapType(const std::string& file, std::uint32_t tdefPage) {
    std::uint32_t pointer = le32(file, tdefPage * 4096u + 55);
    std::size_t page = pointer >> 8, row = pointer & 0xFF;
    std::size_t offset = static_cast<unsigned char>(file[page * 4096 + 14 + 2 * row]) |
                         static_cast<std::size_t>(static_cast<unsigned char>(file[page * 4096 + 15 + 2 * row])) << 8;
    return static_cast<unsigned char>(file[page * 4096 + (offset & 0x1FFF)]);
}

TEST_F(MkmdbLarge, SpansEnoughPagesToNeedUsageMapPages) {
    MKMDB_REQUIRE_READERS();
    EXPECT_EQ(stats_.rows, kRows + 2);
    mkmdb::Json dump = readerDump(path_, "--table MSysObjects");
    std::uint32_t grande = 0, piccola = 0;
    for (const auto& row : dump.at("tables").at("MSysObjects").at("rows")) {
        if (scalarText(row[2]) == utf16Of("Grande")) grande = static_cast<std::uint32_t>(std::stoul(scalarText(row[0])));
        if (scalarText(row[2]) == utf16Of("Piccola")) piccola = static_cast<std::uint32_t>(std::stoul(scalarText(row[0])));
    }
    ASSERT_NE(grande, 0u);
    std::ifstream in(path_, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), stats_.pages * 4096);
    EXPECT_EQ(usageMapType(file, grande), 1) << "a million rows should need usage-map pages";
    EXPECT_EQ(usageMapType(file, piccola), 0);
}

TEST_F(MkmdbLarge, MdbtoolsReadsEveryValue) {
    MKMDB_REQUIRE_READERS();
    const support::Run r = support::run("mdb-export", {"-Q", "-H", "-d", "\t", "-T", "%Y-%m-%d %H:%M:%S",
                                                       path_.string(), "Grande"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::uint64_t i = 0, mismatches = 0;
    for (std::size_t at = 0; at < r.out.size(); ++i) {
        const std::size_t end = std::min(r.out.find('\n', at), r.out.size());
        const std::string text = r.out.substr(at, end - at);
        at = end + 1;
        Expected e = expected(i);
        char peso[64], date[32];
        std::snprintf(peso, sizeof peso, "%.16g", e.peso);
        std::time_t t = static_cast<std::time_t>(e.dateSeconds);
        std::tm tm{};
        ::gmtime_r(&t, &tm);
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &tm);
        std::string want = std::to_string(i + 1) + "\t" + std::to_string(e.codice) + "\t" + e.nome + "\t" +
                           currencyText(e.saldo) + "\t" + (e.pesoNull ? "" : peso) + "\t" + date + "\t" +
                           (e.attivo ? "1" : "0") + "\t" + std::to_string(e.livello) + "\t" +
                           (e.notaNull ? "" : e.nota) + "\t" + e.cap;
        if (text != want && ++mismatches <= 5) ADD_FAILURE() << "row " << i + 1 << "\n got  " << text << "\n want " << want;
    }
    EXPECT_EQ(i, kRows);
    EXPECT_EQ(mismatches, 0u);

    CommandResult small = run("mdb-export -H " + shellQuote(path_.string()) + " Ultima");
    EXPECT_EQ(small.out, "2\n");
}

TEST_F(MkmdbLarge, MdbReaderReadsEveryValue) {
    MKMDB_REQUIRE_READERS();
    mkmdb::Json dump = readerDump(path_, "--table Grande --fingerprint");
    const mkmdb::Json& t = dump.at("tables").at("Grande");
    EXPECT_EQ(scalarText(t.at("rowCount")), std::to_string(kRows));
    EXPECT_EQ(scalarText(t.at("rowsRead")), std::to_string(kRows));

    std::uint32_t prints[10] = {};
    for (std::uint64_t i = 0; i < kRows; ++i) {
        Expected e = expected(i);
        const std::string tokens[10] = {
            std::to_string(i + 1),
            std::to_string(e.codice),
            utf16Of(e.nome),
            currencyText(e.saldo),
            e.pesoNull ? "null" : doubleHex(e.peso),
            std::to_string(e.dateSeconds * 1000),
            e.attivo ? "true" : "false",
            std::to_string(e.livello),
            e.notaNull ? "null" : utf16Of(e.nota),
            utf16Of(e.cap),
        };
        for (int c = 0; c < 10; ++c) prints[c] = prints[c] * 31u + fnv(tokens[c]);
    }
    const auto& got = t.at("fingerprints");
    ASSERT_EQ(got.size(), 10u);
    std::vector<mkmdb::Column> cols = columns();
    for (int c = 0; c < 10; ++c) EXPECT_EQ(scalarText(got[c]), std::to_string(prints[c])) << cols[c].name;
}

}  // namespace
