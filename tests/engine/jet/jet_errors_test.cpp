// Opening what is not a readable Jet database: every case ends in one error with
// the expected number and a description naming the file; no case crashes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "error/error.h"
#include "jet/jet.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A temporary folder to write files to open.
class Scratch : public support::TempDir {
public:
    std::string write(const std::string& name, const std::string& bytes) const {
        const std::string path = file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string path(const std::string& name) const { return file(name); }
};

struct OpenCase {
    const char* what;
    int number;
    // Makes the file to open inside scratch; empty result: skip the case.
    std::function<std::string(const Scratch&)> make;
};

class OpenFails : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenFails, WithItsNumberNamingTheFile) {
    Scratch scratch;
    const OpenCase& c = GetParam();
    const std::string path = c.make(scratch);
    if (path.empty()) GTEST_SKIP() << "needs the real fixtures";
    try {
        jet::Database::open(path);
        FAIL() << c.what << ": opened";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), c.number) << c.what << ": " << e.what();
        EXPECT_NE(e.description().indexOf(QString::fromStdString(path)), -1) << e.what();
    }
}

std::string fixtureCopy(const Scratch& s, const char* name, std::size_t keep) {
    if (!support::haveFixtures()) return {};
    std::string bytes = readFile(support::realDatabase(name));
    if (keep < bytes.size()) bytes.resize(keep);
    return s.write(std::string("cut_") + name, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFails,
    ::testing::Values(
        OpenCase{"missing file", 3024, [](const Scratch& s) { return s.path("nothere.mdb"); }},
        OpenCase{"missing folder", 3024, [](const Scratch& s) { return s.path("no/such/dir/x.mdb"); }},
        OpenCase{"a folder", 3044,
                 [](const Scratch& s) {
                     fs::create_directories(s.path("folder.mdb"));
                     return s.path("folder.mdb");
                 }},
        OpenCase{"empty file", 3343, [](const Scratch& s) { return s.write("empty.mdb", ""); }},
        OpenCase{"text file", 3343,
                 [](const Scratch& s) { return s.write("text.mdb", std::string(5000, 'x') + "\n"); }},
        OpenCase{"compound file (a workbook)", 3343,
                 [](const Scratch& s) {
                     std::string cfb = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
                     cfb.resize(8192, '\0');
                     return s.write("book.mdb", cfb);
                 }},
        OpenCase{"real workbook", 3343,
                 [](const Scratch& s) -> std::string {
                     const std::string xls = support::fixture("xls/profiles.xls");
                     if (!fs::exists(xls)) return {};
                     return s.write("profiles.mdb", readFile(xls));
                 }},
        OpenCase{"ACE version byte 4, not one Access wrote", 3343,
                 [](const Scratch& s) {
                     std::string ace(4096 * 4, '\0');
                     std::memcpy(&ace[4], "Standard ACE DB", 16);
                     ace[0x14] = 4;
                     return s.write("ace.mdb", ace);
                 }},
        OpenCase{"truncated mid-page", 3343,
                 [](const Scratch& s) { return fixtureCopy(s, "testV2003.mdb", 100000); }},
        OpenCase{"truncated to two pages", 3343,
                 [](const Scratch& s) { return fixtureCopy(s, "testV2003.mdb", 8192); }},
        OpenCase{"header only", 3343, [](const Scratch& s) { return fixtureCopy(s, "testV1997.mdb", 2048); }},
        OpenCase{"database password", 3031,
                 [](const Scratch&) -> std::string {
                     if (!support::haveFixtures()) return {};
                     return support::realDatabase("V2003_with-password.mdb");
                 }},
        OpenCase{"no read permission", 3051,
                 [](const Scratch& s) -> std::string {
                     if (::geteuid() == 0) return {};  // root reads everything
                     const std::string p = s.write("locked.mdb", std::string(8192, '\0'));
                     fs::permissions(p, fs::perms::none);
                     return p;
                 }}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(Password, TheTextSaysNotAValidPassword) {
    if (!support::haveFixtures()) GTEST_SKIP();
    try {
        jet::Database::open(support::realDatabase("V2003_with-password.mdb"));
        FAIL();
    } catch (const converti::Error& e) {
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("Not a valid password.")));
    }
    // The same database without its password opens.
    EXPECT_NO_THROW(jet::Database::open(support::realDatabase("V2003_no-password.mdb")));
}

TEST(OpenTable, ExactNameFirstThenAnyCaseElseError3078) {
    if (!support::haveFixtures()) GTEST_SKIP();
    auto db = jet::Database::open(support::realDatabase("testV2003.mdb"));
    EXPECT_EQ(db->openTable(u"Table1")->name(), u"Table1");
    EXPECT_EQ(db->openTable(u"tAbLe1")->name(), u"Table1");
    EXPECT_EQ(db->openTable(u"msysobjects")->name(), u"MSysObjects");
    try {
        db->openTable(u"Tabella che non c'è");
        FAIL();
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), 3078);
        EXPECT_NE(e.description().indexOf(QStringLiteral("Tabella che non c'è")), -1);
    }
}

TEST(Lifetime, TablesOutliveTheirDatabaseAndReadTwiceAlike) {
    if (!support::haveFixtures()) GTEST_SKIP();
    std::unique_ptr<jet::Table> first, second;
    {
        auto db = jet::Database::open(support::realDatabase("nwind.mdb"));
        first = db->openTable(u"Customers");
        second = db->openTable(u"Customers");
    }
    engine::Row a, b;
    int rows = 0;
    while (first->next(a)) {
        ASSERT_TRUE(second->next(b));
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].text, b[i].text);
        ++rows;
    }
    EXPECT_FALSE(second->next(b));
    EXPECT_EQ(rows, 91);
    EXPECT_FALSE(first->next(a));  // stays at the end
}

// Damaged copies of real files: every outcome is either data or converti::Error.
// A fixed seed keeps the run the same every time.
TEST(Damage, NeverCrashesOrHangs) {
    if (!support::haveFixtures()) GTEST_SKIP();
    std::mt19937 rng(20261208);
    int opened = 0, refused = 0;
    for (const char* name : {"testV1997.mdb", "testV2003.mdb", "overflowTestV1997.mdb",
                             "testUnicodeCompV2003.mdb", "delColTestV2003.mdb"}) {
        const std::string original = readFile(support::realDatabase(name));
        for (int round = 0; round < 150; ++round) {
            std::string bytes = original;
            const int flips = 1 + static_cast<int>(rng() % 64);
            for (int i = 0; i < flips; ++i) {
                // Mostly the first pages, where catalogue and definitions live.
                const std::size_t limit = rng() % 2 ? std::min<std::size_t>(bytes.size(), 16 * 4096) : bytes.size();
                bytes[2048 + rng() % (limit - 2048)] = static_cast<char>(rng());
            }
            try {
                auto db = jet::Database::openBuffer(bytes);
                for (const auto& t : db->tableNames()) {
                    try {
                        auto table = db->openTable(t);
                        engine::Row row;
                        while (table->next(row)) {
                        }
                    } catch (const converti::Error&) {
                    }
                }
                ++opened;
            } catch (const converti::Error&) {
                ++refused;
            }
        }
    }
    EXPECT_EQ(opened + refused, 750);
}

}  // namespace
