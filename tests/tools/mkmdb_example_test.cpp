// The example database examples/clienti.mdb, made from the committed
// description: what a new user sees, and both readers agreeing on every value.
#include <cmath>
#include <cstring>
#include <ctime>
#include <set>
#include <cctype>

#include "mkmdb_test_support.h"

namespace {

using namespace mkmdb_test;
using mkmdb::Json;

std::string hexDigitsLower(const std::string& s) {
    std::string out;
    for (char c : s)
        if (std::isxdigit(static_cast<unsigned char>(c))) out.push_back(static_cast<char>(std::tolower(c)));
    return out;
}

std::string dateText(double ms) {
    std::time_t t = static_cast<std::time_t>(std::floor(ms / 1000));
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char s[32];
    std::strftime(s, sizeof s, "%Y-%m-%d %H:%M:%S", &tm);
    return s;
}

template <typename T>
T fromHex(const std::string& tagged) {
    T v{};
    unsigned char bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(std::stoul(tagged.substr(2 + 2 * i, 2), nullptr, 16));
    std::memcpy(&v, bytes, sizeof(T));
    return v;
}

// Compares one value as the two readers print it; returns "" when they agree.
std::string disagreement(const std::string& type, const Json& reader, const std::string& tool) {
    std::string r = scalarText(reader);
    if (r == "null" || r == "u:" || r == "b:") return tool == "null" ? "" : "mdbtools has " + tool;
    if (tool == "null") return "mdbtools has no value, mdb-reader has " + r;
    bool same;
    if (type == "text" || type == "memo") same = r == u(mkmdb::utf8ToUtf16(tool));
    else if (type == "boolean") same = (r == "true") == (tool == "1");
    else if (type == "datetime") same = dateText(std::stod(r)) == tool;
    else if (type == "float") same = fromHex<float>(r) == std::strtof(tool.c_str(), nullptr);
    else if (type == "double") {
        double a = fromHex<double>(r), b = std::strtod(tool.c_str(), nullptr);
        same = std::fabs(a - b) <= 1e-15 * std::fabs(a);  // mdbtools prints 16 digits
    } else {
        same = r == tool;
    }
    return same ? "" : "mdb-reader " + r + " vs mdbtools " + tool;
}

class MkmdbExample : public ::testing::Test {
protected:
    void SetUp() override {
        MKMDB_REQUIRE_READERS();
        path_ = dir_.file("clienti.mdb");
        mkmdb::write(mkmdb::readDescription(std::string(CONVERTI_SOURCE_DIR) + "/examples/clienti.json"), path_);
        dump_ = readerDump(path_);
    }
    TempDir dir_;
    std::filesystem::path path_;
    Json dump_;
};

TEST_F(MkmdbExample, ClientiIsTheAlphabeticallyFirstUserTable) {
    std::vector<std::string> names;
    for (const Json& v : dump_.at("userTables")) names.push_back(scalarText(v));
    EXPECT_EQ(names, (std::vector<std::string>{"Clienti", "Ordini", "Prodotti"}));
    CommandResult tables = run("mdb-tables -1 " + shellQuote(path_.string()));
    EXPECT_EQ(tables.out, "Clienti\nOrdini\nProdotti\n");
    const Json& tablesByName = dump_.at("tables");
    EXPECT_EQ(tablesByName.at("Clienti").at("rows").size(), 300u);
    EXPECT_EQ(tablesByName.at("Ordini").at("rows").size(), 600u);
    EXPECT_EQ(tablesByName.at("Prodotti").at("rows").size(), 20u);
}

TEST_F(MkmdbExample, OrdersReferToExistingCustomersAndProducts) {
    const Json& tables = dump_.at("tables");
    std::set<std::string> clienti, prodotti;
    for (const Json& r : tables.at("Clienti").at("rows")) clienti.insert(scalarText(r[0]));
    for (const Json& r : tables.at("Prodotti").at("rows")) prodotti.insert(scalarText(r[0]));
    for (const Json& r : tables.at("Ordini").at("rows")) {
        EXPECT_TRUE(clienti.count(scalarText(r[1]))) << "Cliente " << scalarText(r[1]);
        EXPECT_TRUE(prodotti.count(scalarText(r[3]))) << "Prodotto " << scalarText(r[3]);
        // Shipped orders leave after they were placed.
        if (!r[8].is_null()) {
            EXPECT_GT(std::stod(scalarText(r[8])), std::stod(scalarText(r[2])) - 86400000);
        }
    }
}

TEST_F(MkmdbExample, BothReadersAgreeOnEveryValue) {
    for (const char* name : {"Clienti", "Ordini", "Prodotti"}) {
        SCOPED_TRACE(name);
        const Json& t = dump_.at("tables").at(name);
        const auto& columns = t.at("columns");
        const auto& rows = t.at("rows");
        const auto toolRows = mdbJsonRows(path_, name);
        ASSERT_EQ(toolRows.size(), rows.size());
        int compared = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                std::string column = columns[c].at("name").get<std::string>();
                std::string type = columns[c].at("type").get<std::string>();
                std::string tool = mdbtoolsText(toolRows[i], column);
                if (type == "repid") {
                    std::string r = hexDigitsLower(scalarText(rows[i][c]));
                    std::string text;
                    for (std::size_t k = 2; k + 1 < tool.size(); k += 2)
                        text.push_back(static_cast<char>(std::stoi(tool.substr(k, 2), nullptr, 16)));
                    EXPECT_EQ(r, hexDigitsLower(text)) << column << " row " << i + 1;
                } else {
                    EXPECT_EQ(disagreement(type, rows[i][c], tool), "") << column << " row " << i + 1;
                }
                ++compared;
            }
        }
        EXPECT_GT(compared, 0);
    }
}

}  // namespace
