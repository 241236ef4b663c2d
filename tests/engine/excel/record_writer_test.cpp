// The record writer's framing and CONTINUE splitting, checked byte by byte in memory;
// the writers' buffers.

#include "record_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "biff_records.h"
#include "byte_sink.h"

namespace excel {
namespace {

struct Rec {
    std::uint16_t type;
    std::vector<std::uint8_t> data;
};

std::vector<Rec> parse(const std::vector<std::uint8_t>& b) {
    std::vector<Rec> out;
    std::size_t p = 0;
    while (p + 4 <= b.size()) {
        std::uint16_t type = b[p] | b[p + 1] << 8;
        std::size_t size = b[p + 2] | b[p + 3] << 8;
        EXPECT_LE(p + 4 + size, b.size());
        out.push_back(
            {type, std::vector<std::uint8_t>(b.begin() + p + 4, b.begin() + p + 4 + size)});
        p += 4 + size;
    }
    EXPECT_EQ(p, b.size());
    return out;
}

TEST(RecordWriter, SplitsLongRecordsIntoContinue) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> pieces;
    };
    const Case cases[] = {
        {0, {0}}, {1, {1}}, {8224, {8224}}, {8225, {8224, 1}}, {20000, {8224, 8224, 3552}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> data(c.size);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
        VectorSink sink;
        RecordWriter w(sink, 100);
        w.record(0x1234, data.data(), data.size());
        EXPECT_EQ(w.position(), 100 + sink.bytes.size());
        auto recs = parse(sink.bytes);
        ASSERT_EQ(recs.size(), c.pieces.size());
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < recs.size(); ++i) {
            EXPECT_EQ(recs[i].type, i == 0 ? 0x1234 : biff::kRecordContinue);
            EXPECT_EQ(recs[i].data.size(), c.pieces[i]);
            joined.insert(joined.end(), recs[i].data.begin(), recs[i].data.end());
        }
        EXPECT_EQ(joined, data);
    }
}

TEST(RecordWriter, PositionsAreAbsoluteInsideAPiecewiseRecord) {
    VectorSink sink;
    RecordWriter w(sink, 1000);
    w.record(1, Payload().u16(7));  // 6 bytes
    w.begin(2);
    EXPECT_EQ(w.position(), 1010u);
    EXPECT_EQ(w.offsetInRecord(), 4u);
    std::vector<std::uint8_t> filler(8224, 0xAA);
    w.put(filler.data(), filler.size());
    w.put(filler.data(), 2);  // runs into a CONTINUE
    EXPECT_EQ(w.offsetInRecord(), 6u);
    EXPECT_EQ(w.position(), 1006u + 4 + 8224 + 4 + 2);
    w.end();
    EXPECT_EQ(w.position(), 1000 + sink.bytes.size());
}

TEST(RecordWriter, KeepTogetherMovesAPieceToTheNextRecord) {
    VectorSink sink;
    RecordWriter w(sink);
    w.begin(biff::kRecordSst);
    std::vector<std::uint8_t> filler(8222, 1);
    w.put(filler.data(), filler.size());
    w.keepTogether(2);  // fits exactly: stays
    std::uint8_t two[2] = {2, 2};
    w.put(two, 2);
    w.keepTogether(3);  // record full: CONTINUE
    std::uint8_t three[3] = {3, 3, 3};
    w.put(three, 3);
    w.end();
    auto recs = parse(sink.bytes);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].data.size(), 8224u);
    EXPECT_EQ(recs[1].type, biff::kRecordContinue);
    EXPECT_EQ(recs[1].data, std::vector<std::uint8_t>({3, 3, 3}));
}

// Characters that run past a record go on after a fresh flags byte, are split only
// between characters, and a surrogate pair stays whole.
TEST(RecordWriter, SplitsCharactersWithFreshFlagsByte) {
    struct Case {
        const char* name;
        std::size_t used;  // bytes already in the record
        bool highByte;
        std::vector<char16_t> text;
        std::size_t firstPart;  // characters left in the first record
    };
    std::vector<char16_t> abc(10, u'a');
    std::vector<char16_t> pair = {u'x', 0xD83D, 0xDE00, u'y'};
    const Case cases[] = {
        {"compressed, 3 bytes free", 8221, false, abc, 3},
        {"wide, 3 bytes free: one character", 8221, true, abc, 1},
        {"wide, 1 byte free: none", 8223, true, abc, 0},
        {"pair at the boundary moves whole", 8224 - 4, true, pair, 1},
        {"pair before the boundary stays", 8224 - 6, true, pair, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> chars;
        for (char16_t ch : c.text) {
            chars.push_back(static_cast<std::uint8_t>(ch));
            if (c.highByte) chars.push_back(static_cast<std::uint8_t>(ch >> 8));
        }
        VectorSink sink;
        RecordWriter w(sink);
        w.begin(biff::kRecordSst);
        std::vector<std::uint8_t> filler(c.used, 0);
        w.put(filler.data(), filler.size());
        w.putChars(chars.data(), c.text.size(), c.highByte);
        w.end();
        auto recs = parse(sink.bytes);
        ASSERT_EQ(recs.size(), 2u);
        const std::size_t width = c.highByte ? 2 : 1;
        EXPECT_EQ(recs[0].data.size(), c.used + c.firstPart * width);
        ASSERT_FALSE(recs[1].data.empty());
        EXPECT_EQ(recs[1].data[0], c.highByte ? biff::kStringHighByte : 0);
        std::vector<std::uint8_t> joined(recs[0].data.begin() + c.used, recs[0].data.end());
        joined.insert(joined.end(), recs[1].data.begin() + 1, recs[1].data.end());
        EXPECT_EQ(joined, chars);
    }
}

TEST(RecordWriter, UnicodeStringsCompressOnlyWhenEveryCharacterFits) {
    Payload p;
    p.unicodeString(u"Città");
    EXPECT_EQ(std::vector<std::uint8_t>(p.data(), p.data() + p.size()),
              (std::vector<std::uint8_t>{5, 0, 0, 'C', 'i', 't', 't', 0xE0}));
    p.clear();
    p.unicodeString(u"a\u20AC", true);  // euro sign needs two bytes
    EXPECT_EQ(std::vector<std::uint8_t>(p.data(), p.data() + p.size()),
              (std::vector<std::uint8_t>{2, 1, 'a', 0, 0xAC, 0x20}));
}

// A text is stored one byte per character exactly when every unit fits a byte:
// one wider unit anywhere, at either end of the compiler's vectors, shows.
TEST(RecordWriter, FitsOneByteSeesAWideUnitAnywhere) {
    for (std::size_t n = 0; n <= 80; ++n) {
        std::u16string t(n, u'\0');
        for (std::size_t i = 0; i < n; ++i) t[i] = static_cast<char16_t>(0x80 + i * 37 % 128);
        ASSERT_TRUE(fitsOneByte(t)) << n;
        for (std::size_t at = 0; at < n; ++at) {
            for (char16_t wide : {u'\u0100', u'\u8000', u'\uFFFF'}) {
                std::u16string w = t;
                w[at] = wide;
                ASSERT_FALSE(fitsOneByte(w)) << n << " " << at;
            }
        }
    }
}

TEST(ChunkedBuffer, CopiesRangesAcrossChunks) {
    ChunkedBuffer buffer;
    std::vector<std::uint8_t> data(kChunkSize * 2 + 123);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 251);
    buffer.write(data.data(), 10);
    buffer.write(data.data() + 10, data.size() - 10);
    ASSERT_EQ(buffer.size(), data.size());
    const std::uint64_t ranges[][2] = {{0, data.size()}, {kChunkSize - 5, kChunkSize + 5}, {7, 7}};
    for (const auto& r : ranges) {
        VectorSink out;
        buffer.copyTo(out, r[0], r[1]);
        EXPECT_EQ(out.bytes, std::vector<std::uint8_t>(data.begin() + r[0], data.begin() + r[1]));
    }
}

}  // namespace
}  // namespace excel
