// The table of variable-length offsets at the end of a row, built here from the
// format notes' description and read back. Jet 3 rows past 256 bytes need its
// jump table; none of the real Jet 3 files has a row that long.
#include <gtest/gtest.h>

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
// each multiple of 256. An entry past the last offset is a dummy, there only
// because the row's trailer crossed the boundary; it holds `dummy`, which a
// reader must not count whatever it is. The jump count follows from the row's
// length, which includes the jump table: the fewest jumps that agree with it
// (as mkmdb writes), or those of `length` when given (one jump more, where
// both agree: rows of 257 or 513 bytes).
Built jet3Row(unsigned fixedBytes, const std::vector<unsigned>& lengths, std::uint8_t dummy,
              unsigned length = 0) {
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
    unsigned jumps = length == 0 ? 0 : (length - 1) / 256;
    while (length == 0 && (at + n + 1 + jumps + 1 + maskSize - 1) / 256 != jumps)
        jumps = (at + n + 1 + jumps + 1 + maskSize - 1) / 256;
    const unsigned len = at + n + 1 + jumps + 1 + maskSize;
    EXPECT_EQ((len - 1) / 256, jumps);
    if (length != 0) {
        EXPECT_EQ(len, length);
    }
    b.row.assign(len, 0);
    b.row[0] = static_cast<std::uint8_t>(n);
    for (unsigned i = 1; i < at; ++i) b.row[i] = static_cast<std::uint8_t>(0xa0 + i % 7);
    // Offsets from the eod backwards: eod first in storage order.
    unsigned pos = at;
    for (unsigned i = n + 1; i-- > 0;)
        b.row[pos++] = static_cast<std::uint8_t>(b.offsets[i] & 0xff);
    std::vector<std::uint8_t> jumpTable(jumps, dummy);
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
    unsigned jet3Length;  // the Jet 3 row's length in bytes; 0: the fewest jumps
};

TEST(VarOffsets, ReadBackAsBuilt) {
    // Rows of two variable columns take 6 bytes beside their fixed and variable
    // data, plus a byte per jump: 249 bytes of data make a row of 255.
    const std::vector<Case> cases = {
        {"short row, no jumps", 4, {3, 0, 10}, 0},
        {"one jump", 8, {100, 100, 100}, 0},
        {"column starting at 255", 0, {254, 10}, 0},
        {"column starting at exactly 256", 0, {255, 10}, 0},
        {"column starting at 257", 0, {256, 10}, 0},
        {"data ending at 255", 0, {254}, 0},
        {"data ending at 256", 0, {255}, 0},
        {"data ending at 257", 0, {256}, 0},
        {"row of 255 bytes", 0, {249, 0}, 255},
        {"row of 255 bytes, fixed data first", 100, {100, 49}, 255},
        {"row of 256 bytes", 0, {250, 0}, 256},
        {"row of 256 bytes, fixed data first", 10, {120, 120}, 256},
        {"row of 257 bytes, data before 256: a dummy jump", 0, {250, 0}, 257},
        {"row of 257 bytes, fixed data first: a dummy jump", 10, {120, 120}, 257},
        {"row of 258 bytes, data before 256: a dummy jump", 0, {251, 0}, 258},
        {"row of 511 bytes, a column past 256", 0, {260, 244}, 511},
        {"row of 511 bytes, a column at 256", 0, {255, 249}, 511},
        {"row of 511 bytes, only the end past 256", 200, {0, 304}, 511},
        {"row of 512 bytes, a column past 256", 0, {300, 205}, 512},
        {"row of 512 bytes, only the end past 256", 250, {0, 255}, 512},
        {"row of 513 bytes, a column past 256, a dummy jump", 0, {300, 205}, 513},
        {"row of 513 bytes, only the end past 256, a dummy jump", 250, {0, 255}, 513},
        {"row of 514 bytes, a column past 256, a dummy jump", 0, {300, 206}, 514},
        {"a column at 512", 0, {255, 256, 0}, 0},
        {"empty columns on a boundary", 10, {245, 0, 0, 20}, 0},
        {"three jumps", 2, {200, 200, 200, 200, 1}, 0},
        {"trailer pushes the row past 256: a dummy jump",
         0,
         {50, 50, 50, 50, 40, 0, 0, 0, 0, 0, 0, 0},
         0},
        {"one long column", 1, {1000}, 0},
        {"many small columns", 3, std::vector<unsigned>(60, 9), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A dummy jump holds 0xff, or the index of the end of the data, which
        // would move the end by 256 bytes if it were counted.
        const auto count = static_cast<std::uint8_t>(c.lengths.size());
        for (std::uint8_t dummy : {std::uint8_t{0xff}, count}) {
            SCOPED_TRACE(testing::Message() << "dummy " << int{dummy});
            const Built b = jet3Row(c.fixedBytes, c.lengths, dummy, c.jet3Length);
            std::vector<unsigned> got;
            unsigned areaEnd = 0;
            ASSERT_TRUE(jet::readVarOffsets(jet::kJet3, b.row.data(),
                                            static_cast<unsigned>(b.row.size()), b.maskSize, got,
                                            &areaEnd));
            EXPECT_EQ(got, b.offsets);
            EXPECT_EQ(areaEnd, b.offsets.back());
        }
        const Built b = jet4Row(c.fixedBytes, c.lengths);
        std::vector<unsigned> got;
        unsigned areaEnd = 0;
        ASSERT_TRUE(jet::readVarOffsets(jet::kJet4, b.row.data(),
                                        static_cast<unsigned>(b.row.size()), b.maskSize, got,
                                        &areaEnd));
        EXPECT_EQ(got, b.offsets);
        EXPECT_EQ(areaEnd, b.offsets.back());
    }
}

TEST(VarOffsets, TablesThatDoNotFitAreRefused) {
    // A variable count larger than the row can hold, for both versions.
    std::vector<std::uint8_t> r3 = {3, 'a', 'b', 2, 0xc8, 0x01};  // count 0xc8
    std::vector<unsigned> out;
    unsigned end = 0;
    EXPECT_FALSE(
        jet::readVarOffsets(jet::kJet3, r3.data(), static_cast<unsigned>(r3.size()), 1, out, &end));
    std::vector<std::uint8_t> r4 = {3, 0, 'a', 'b', 0xff, 0x7f, 0x01};
    EXPECT_FALSE(
        jet::readVarOffsets(jet::kJet4, r4.data(), static_cast<unsigned>(r4.size()), 1, out, &end));
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet4, r4.data(), 2, 1, out, &end));
    EXPECT_FALSE(jet::readVarOffsets(jet::kJet3, r3.data(), 1, 1, out, &end));
}

}  // namespace
