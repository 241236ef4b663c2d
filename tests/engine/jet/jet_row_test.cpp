// The table of variable-length offsets at the end of a row, built here from the
// format notes' description and read back. Jet 3 rows past 256 bytes need its
// jump table; none of the real Jet 3 files has a row that long.
#include <gtest/gtest.h>

#include <numeric>

#include "jet/format.h"
#include "jet/row_reader.h"

namespace {

struct Built {
    std::vector<std::uint8_t> row;
    std::vector<unsigned> offsets;  // of each column, then the end of the data
    unsigned maskSize;
};

// A Jet 3 row: count, fixed bytes, variable data, eod, offsets (reversed), jump
// table (reversed), variable count, null mask. The jump table has one entry per
// full 256 bytes of the whole row: the index of the first offset at or past
// each multiple of 256, or 0xff when there is none.
Built jet3Row(unsigned fixedBytes, const std::vector<unsigned>& lengths) {
    const unsigned n = static_cast<unsigned>(lengths.size());
    const unsigned maskSize = (n + 7) / 8;
    Built b;
    b.maskSize = maskSize;
    unsigned at = 1 + fixedBytes;
    for (unsigned l : lengths) {
        b.offsets.push_back(at);
        at += l;
    }
    b.offsets.push_back(at);  // eod
    unsigned jumps = 0;
    for (;;) {
        const unsigned len = at + n + 1 + jumps + 1 + maskSize;
        if ((len - 1) / 256 == jumps) break;
        jumps = (len - 1) / 256;
    }
    const unsigned len = at + n + 1 + jumps + 1 + maskSize;
    b.row.assign(len, 0);
    b.row[0] = static_cast<std::uint8_t>(n);
    for (unsigned i = 1; i < at; ++i) b.row[i] = static_cast<std::uint8_t>(0xa0 + i % 7);
    // Offsets from the eod backwards: eod first in storage order.
    unsigned pos = at;
    for (unsigned i = n + 1; i-- > 0;) b.row[pos++] = static_cast<std::uint8_t>(b.offsets[i] & 0xff);
    std::vector<std::uint8_t> jumpTable(jumps, 0xff);
    for (unsigned j = 0; j < jumps; ++j)
        for (unsigned i = 0; i <= n; ++i)
            if (b.offsets[i] >= 256 * (j + 1)) {
                jumpTable[j] = static_cast<std::uint8_t>(i);
                break;
            }
    for (unsigned j = jumps; j-- > 0;) b.row[pos++] = jumpTable[j];
    b.row[pos++] = static_cast<std::uint8_t>(n);
    for (unsigned i = 0; i < maskSize; ++i) b.row[pos++] = 0xff;
    EXPECT_EQ(pos, len);
    return b;
}

Built jet4Row(unsigned fixedBytes, const std::vector<unsigned>& lengths) {
    const unsigned n = static_cast<unsigned>(lengths.size());
    Built b;
    b.maskSize = (n + 7) / 8;
    unsigned at = 2 + fixedBytes;
    for (unsigned l : lengths) {
        b.offsets.push_back(at);
        at += l;
    }
    b.offsets.push_back(at);
    const unsigned len = at + 2 * (n + 1) + 2 + b.maskSize;
    b.row.assign(len, 0x5a);
    unsigned pos = at;
    for (unsigned i = n + 1; i-- > 0;) {
        b.row[pos++] = static_cast<std::uint8_t>(b.offsets[i]);
        b.row[pos++] = static_cast<std::uint8_t>(b.offsets[i] >> 8);
    }
    b.row[pos++] = static_cast<std::uint8_t>(n);
    b.row[pos++] = static_cast<std::uint8_t>(n >> 8);
    return b;
}

struct Case {
    const char* what;
    unsigned fixedBytes;
    std::vector<unsigned> lengths;
};

TEST(VarOffsets, ReadBackAsBuilt) {
    const std::vector<Case> cases = {
        {"short row, no jumps", 4, {3, 0, 10}},
        {"one jump", 8, {100, 100, 100}},
        {"column starting at 255", 0, {254, 10}},
        {"column starting at exactly 256", 0, {255, 10}},
        {"column starting at 257", 0, {256, 10}},
        {"data ending at 255", 0, {254}},
        {"data ending at 256", 0, {255}},
        {"data ending at 257", 0, {256}},
        {"row of 255 bytes", 0, {250}},
        {"row of 256 bytes", 0, {251}},
        {"row of 258 bytes, past 256 by its trailer: a dummy jump", 0, {252}},
        {"empty columns on a boundary", 10, {245, 0, 0, 20}},
        {"three jumps", 2, {200, 200, 200, 200, 1}},
        {"trailer pushes the row past 256: a dummy jump", 0, {50, 50, 50, 50, 40, 0, 0, 0, 0, 0, 0, 0}},
        {"one long column", 1, {1000}},
        {"many small columns", 3, std::vector<unsigned>(60, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const jet::Format* f : {&jet::kJet3, &jet::kJet4}) {
            const bool jet3 = f == &jet::kJet3;
            SCOPED_TRACE(jet3 ? "Jet 3" : "Jet 4");
            const Built b = jet3 ? jet3Row(c.fixedBytes, c.lengths) : jet4Row(c.fixedBytes, c.lengths);
            std::vector<unsigned> got;
            unsigned areaEnd = 0;
            ASSERT_TRUE(jet::readVarOffsets(*f, b.row.data(), static_cast<unsigned>(b.row.size()), b.maskSize,
                                            got, &areaEnd));
            EXPECT_EQ(got, b.offsets);
            EXPECT_EQ(areaEnd, b.offsets.back());
        }
    }
}

TEST(VarOffsets, TablesThatDoNotFitAreRefused) {
    // A variable count larger than the row can hold, for both versions.
    std::vector<std::uint8_t> r3 = {3, 'a', 'b', 2, 0xc8, 0x01};  // count 0xc8
    std::vector<unsigned> out;
    unsigned end = 0;
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet3, r3.data(), static_cast<unsigned>(r3.size()), 1, out, &end));
    std::vector<std::uint8_t> r4 = {3, 0, 'a', 'b', 0xff, 0x7f, 0x01};
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet4, r4.data(), static_cast<unsigned>(r4.size()), 1, out, &end));
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet4, r4.data(), 2, 1, out, &end));
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet3, r3.data(), 1, 1, out, &end));
}

}  // namespace
