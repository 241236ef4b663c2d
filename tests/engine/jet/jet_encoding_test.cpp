// Masked pages: RC4 itself, databases whose pages are encoded with a database
// key, and a database password set in a Jet 3 header.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "error/error.h"
#include "jet/format.h"
#include "jet/jet.h"
#include "jet/page_file.h"
#include "support.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint8_t* bytesOf(std::string& s, std::size_t at = 0) { return reinterpret_cast<std::uint8_t*>(&s[at]); }

TEST(Rc4, KnownVectors) {
    struct Case {
        const char* key;
        const char* plain;
        std::vector<std::uint8_t> cipher;
    };
    const Case cases[] = {
        {"Key", "Plaintext", {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}},
        {"Wiki", "pedia", {0x10, 0x21, 0xBF, 0x04, 0x20}},
        {"Secret", "Attack at dawn",
         {0x45, 0xA0, 0x1F, 0x64, 0x5F, 0xC3, 0x5B, 0x38, 0x35, 0x52, 0x54, 0x4B, 0x9B, 0xF5}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data(c.plain, c.plain + std::strlen(c.plain));
        jet::rc4(reinterpret_cast<const std::uint8_t*>(c.key), std::strlen(c.key), data.data(), data.size());
        EXPECT_EQ(data, c.cipher) << c.key;
    }
}

// Unmasks the header of a database image, lets edit change it, masks it again.
void editHeader(std::string& image, const jet::Format& f, const std::function<void(std::uint8_t*)>& edit) {
    jet::rc4(jet::kHeaderMaskKey, 4, bytesOf(image, jet::kHeaderMaskStart), f.headerMaskedSize);
    edit(bytesOf(image));
    jet::rc4(jet::kHeaderMaskKey, 4, bytesOf(image, jet::kHeaderMaskStart), f.headerMaskedSize);
}

// Every value of every table as text: type, integer, the number's bits, text
// and bytes.
std::vector<std::vector<std::u16string>> readAll(jet::Database& db) {
    std::vector<std::vector<std::u16string>> out;
    for (const auto& name : db.tableNames()) {
        auto t = db.openTable(name);
        engine::Row row;
        while (t->next(row)) {
            std::vector<std::u16string> r{name};
            for (const auto& v : row) {
                std::uint64_t bits;
                std::memcpy(&bits, &v.number, sizeof bits);
                const std::string head = std::to_string(static_cast<int>(v.type)) + "|" +
                                         std::to_string(v.integer) + "|" + std::to_string(bits) + "|" +
                                         v.bytes + "|";
                r.push_back(std::u16string(head.begin(), head.end()) + v.text);
            }
            out.push_back(std::move(r));
        }
    }
    return out;
}

// An encoded database keeps a key in its header and masks every later page with
// RC4 keyed by (key XOR page number). It must read exactly like the plain one.
TEST(EncodedDatabase, ReadsLikeThePlainOne) {
    if (!support::haveFixtures()) GTEST_SKIP();
    for (const char* name : {"testV1997.mdb", "testV2003.mdb"}) {
        SCOPED_TRACE(name);
        const std::string plain = readFile(support::realDatabase(name));
        const jet::Format& f = plain[jet::kHeaderVersion] == 0 ? jet::kJet3 : jet::kJet4;
        std::string encoded = plain;
        const std::uint32_t key = 0x5a17c0deu;
        editHeader(encoded, f, [&](std::uint8_t* h) {
            for (int i = 0; i < 4; ++i) h[jet::kHeaderDbKey + i] = static_cast<std::uint8_t>(key >> (8 * i));
        });
        for (std::uint32_t pg = 1; pg < encoded.size() / f.pageSize; ++pg) {
            const std::uint32_t k = key ^ pg;
            const std::uint8_t pk[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                        static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
            jet::rc4(pk, 4, bytesOf(encoded, std::size_t{pg} * f.pageSize), f.pageSize);
        }
        ASSERT_NE(encoded, plain);
        auto a = jet::Database::openBuffer(plain);
        auto b = jet::Database::openBuffer(encoded);
        EXPECT_EQ(a->tableNames(), b->tableNames());
        const auto rowsA = readAll(*a);
        EXPECT_GT(rowsA.size(), 10u);
        EXPECT_EQ(rowsA, readAll(*b));
    }
}

TEST(Jet3Password, IsRefusedWith3031) {
    if (!support::haveFixtures()) GTEST_SKIP();
    std::string image = readFile(support::realDatabase("testV1997.mdb"));
    EXPECT_NO_THROW(jet::Database::openBuffer(image));
    editHeader(image, jet::kJet3, [](std::uint8_t* h) { std::memcpy(h + jet::kHeaderPassword, "segreto", 7); });
    try {
        jet::Database::openBuffer(image);
        FAIL() << "opened";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), 3031);
    }
}

}  // namespace
