// Where a linked table's database is looked for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "error/error.h"
#include "jet/table_def.h"

namespace fs = std::filesystem;

namespace {

TEST(LinkedPath, StoredPathElseSameNameBesideElseError3024) {
    const fs::path dir = fs::temp_directory_path() / ("jet_linked_" + std::to_string(::getpid()));
    fs::create_directories(dir / "elsewhere");
    fs::create_directories(dir / "here");
    const auto touch = [](const fs::path& p) { std::ofstream(p) << "x"; };
    touch(dir / "elsewhere" / "dati.mdb");
    touch(dir / "here" / "clienti.mdb");
    touch(dir / "here" / "main.mdb");
    fs::create_directories(dir / "here" / "cartella.mdb");
    const std::string mainDb = (dir / "here" / "main.mdb").string();
    const auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };

    struct Case {
        std::string stored;
        std::string expected;  // empty: error 3024
    };
    const Case cases[] = {
        {(dir / "elsewhere" / "dati.mdb").string(), (dir / "elsewhere" / "dati.mdb").string()},
        {"C:\\Dati\\Ufficio\\clienti.mdb", (dir / "here" / "clienti.mdb").string()},
        {"\\\\server\\share\\clienti.mdb", (dir / "here" / "clienti.mdb").string()},
        {"/gone/clienti.mdb", (dir / "here" / "clienti.mdb").string()},
        {"C:\\Dati\\mancante.mdb", ""},
        {"C:\\Dati\\", ""},
        {"", ""},
        {"D:\\cartella.mdb", ""},  // a folder of that name is no database
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        if (c.expected.empty()) {
            try {
                jet::resolveLinkedPath(u16(c.stored), mainDb, u"Clienti");
                ADD_FAILURE() << "resolved";
            } catch (const converti::Error& e) {
                EXPECT_EQ(e.number(), 3024);
                EXPECT_NE(e.description().indexOf(QStringLiteral("Clienti")), -1);
            }
        } else {
            EXPECT_EQ(jet::resolveLinkedPath(u16(c.stored), mainDb, u"Clienti"), c.expected);
        }
    }
    fs::remove_all(dir);
}

}  // namespace
