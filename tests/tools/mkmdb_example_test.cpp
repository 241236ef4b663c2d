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
using mkmdb::json::Value;

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
std::string disagreement(const std::string& type, const Value& reader, const std::string& tool) {
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
    Value dump_;
};

TEST_F(MkmdbExample, ClientiIsTheAlphabeticallyFirstUserTable) {
    std::vector<std::string> names;
    for (const Value& v : dump_.find("userTables")->items) names.push_back(v.text);
    EXPECT_EQ(names, (std::vector<std::string>{"Clienti", "Ordini", "Prodotti"}));
    CommandResult tables = run("mdb-tables -1 " + shellQuote(path_.string()));
    EXPECT_EQ(tables.out, "Clienti\nOrdini\nProdotti\n");
    const Value* tablesByName = dump_.find("tables");
    EXPECT_EQ(tablesByName->find("Clienti")->find("rows")->items.size(), 300u);
    EXPECT_EQ(tablesByName->find("Ordini")->find("rows")->items.size(), 600u);
    EXPECT_EQ(tablesByName->find("Prodotti")->find("rows")->items.size(), 20u);
}

TEST_F(MkmdbExample, OrdersReferToExistingCustomersAndProducts) {
    const Value* tables = dump_.find("tables");
    std::set<std::string> clienti, prodotti;
    for (const Value& r : tables->find("Clienti")->find("rows")->items) clienti.insert(r.items[0].text);
    for (const Value& r : tables->find("Prodotti")->find("rows")->items) prodotti.insert(r.items[0].text);
    for (const Value& r : tables->find("Ordini")->find("rows")->items) {
        EXPECT_TRUE(clienti.count(r.items[1].text)) << "Cliente " << r.items[1].text;
        EXPECT_TRUE(prodotti.count(r.items[3].text)) << "Prodotto " << r.items[3].text;
        // Shipped orders leave after they were placed.
        if (r.items[8].kind != Value::Kind::Null) {
            EXPECT_GT(std::stod(r.items[8].text), std::stod(r.items[2].text) - 86400000);
        }
    }
}

TEST_F(MkmdbExample, BothReadersAgreeOnEveryValue) {
    for (const char* name : {"Clienti", "Ordini", "Prodotti"}) {
        SCOPED_TRACE(name);
        const Value* t = dump_.find("tables")->find(name);
        const auto& columns = t->find("columns")->items;
        const auto& rows = t->find("rows")->items;
        std::vector<Value> toolRows = mdbJsonRows(path_, name);
        ASSERT_EQ(toolRows.size(), rows.size());
        int compared = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const std::string& column = columns[c].find("name")->text;
                const std::string& type = columns[c].find("type")->text;
                std::string tool = mdbtoolsText(toolRows[i], column);
                if (type == "repid") {
                    std::string r = hexDigitsLower(rows[i].items[c].text);
                    std::string text;
                    for (std::size_t k = 2; k + 1 < tool.size(); k += 2)
                        text.push_back(static_cast<char>(std::stoi(tool.substr(k, 2), nullptr, 16)));
                    EXPECT_EQ(r, hexDigitsLower(text)) << column << " row " << i + 1;
                } else {
                    EXPECT_EQ(disagreement(type, rows[i].items[c], tool), "") << column << " row " << i + 1;
                }
                ++compared;
            }
        }
        EXPECT_GT(compared, 0);
    }
}

}  // namespace
