// The shared string table: one entry per distinct text, and SST/CONTINUE records
// that decode back to the same texts however the strings fall across records.

#include "shared_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff_records.h"

namespace excel {
namespace {

struct Decoded {
    std::uint32_t total = 0;
    std::vector<std::u16string> strings;
    std::vector<std::uint32_t> extSst;  // dsst, then stream position / offset pairs
    std::vector<std::size_t> recordSizes;
};

// An independent walk over SST + CONTINUE, following the format's rules: a new
// record never starts inside a string header; characters resume after a flags byte.
Decoded decode(const std::vector<std::uint8_t>& b) {
    Decoded d;
    std::vector<std::vector<std::uint8_t>> pieces;
    std::size_t p = 0;
    while (p + 4 <= b.size()) {
        std::uint16_t type = b[p] | b[p + 1] << 8;
        std::size_t size = b[p + 2] | b[p + 3] << 8;
        std::vector<std::uint8_t> data(b.begin() + p + 4, b.begin() + p + 4 + size);
        d.recordSizes.push_back(size);
        if (type == biff::kRecordSst || type == biff::kRecordContinue) pieces.push_back(data);
        if (type == biff::kRecordExtSst) {
            d.extSst.push_back(data[0] | data[1] << 8);
            for (std::size_t i = 2; i + 8 <= data.size(); i += 8) {
                d.extSst.push_back(data[i] | data[i + 1] << 8 | data[i + 2] << 16 |
                                   static_cast<std::uint32_t>(data[i + 3]) << 24);
                d.extSst.push_back(data[i + 4] | data[i + 5] << 8);
            }
        }
        p += 4 + size;
    }
    auto u32 = [](const std::vector<std::uint8_t>& v, std::size_t i) {
        return v[i] | v[i + 1] << 8 | v[i + 2] << 16 | static_cast<std::uint32_t>(v[i + 3]) << 24;
    };
    d.total = u32(pieces[0], 0);
    std::uint32_t unique = u32(pieces[0], 4);
    std::size_t piece = 0, off = 8;
    for (std::uint32_t s = 0; s < unique; ++s) {
        if (off == pieces[piece].size()) {
            ++piece;
            off = 0;
        }
        const auto* v = &pieces[piece];
        EXPECT_LE(off + 3, v->size()) << "string header split";
        std::size_t cch = (*v)[off] | (*v)[off + 1] << 8;
        bool wide = (*v)[off + 2] & 1;
        off += 3;
        std::u16string text;
        while (text.size() < cch) {
            if (off == v->size()) {
                v = &pieces[++piece];
                wide = (*v)[0] & 1;
                off = 1;
            }
            if (wide) {
                text.push_back(static_cast<char16_t>((*v)[off] | (*v)[off + 1] << 8));
                off += 2;
            } else {
                text.push_back((*v)[off]);
                off += 1;
            }
        }
        d.strings.push_back(text);
    }
    return d;
}

TEST(SharedStrings, KeepsEachTextOnceAndCountsEveryUse) {
    SharedStrings s;
    EXPECT_EQ(s.add(u"Roma"), 0u);
    EXPECT_EQ(s.add(u"Milano"), 1u);
    EXPECT_EQ(s.add(u"Roma"), 0u);
    EXPECT_EQ(s.add(u""), 2u);
    EXPECT_EQ(s.add(u"roma"), 3u);  // case matters
    EXPECT_EQ(s.add(u"Roma\u20AC"), 4u);
    EXPECT_EQ(s.add(u""), 2u);
    EXPECT_EQ(s.uniqueCount(), 5u);
    EXPECT_EQ(s.totalCount(), 7u);
    // Many texts: the index table grows and still finds every one.
    for (int i = 0; i < 5000; ++i) s.add(std::u16string(u"k") + static_cast<char16_t>(0x100 + i));
    for (int i = 0; i < 5000; i += 97) {
        EXPECT_EQ(s.add(std::u16string(u"k") + static_cast<char16_t>(0x100 + i)),
                  static_cast<std::uint32_t>(5 + i));
    }
}

// The index table doubles many times over 300,000 texts; every text must still
// be found after each move.
TEST(SharedStrings, FindsEveryTextAcrossTableGrowths) {
    SharedStrings s;
    constexpr std::uint32_t kTexts = 300000;
    auto text = [](std::uint32_t i) {
        std::u16string t(1, static_cast<char16_t>(0x4E00 + i % 7));  // some wide, some not
        if (i % 2) t[0] = u'a';
        for (char c : std::to_string(i)) t.push_back(static_cast<char16_t>(c));
        return t;
    };
    for (std::uint32_t i = 0; i < kTexts; ++i) ASSERT_EQ(s.add(text(i)), i);
    std::uint32_t wrong = 0;
    for (std::uint32_t i = 0; i < kTexts; ++i) wrong += s.add(text(i)) != i;
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(s.uniqueCount(), kTexts);
    EXPECT_EQ(s.totalCount(), 2 * kTexts);
}

TEST(SharedStrings, TextsDifferingInOneUnitAreDistinct) {
    // Pairs that share length and low bytes, or differ only past the last whole
    // group of four units, or only in a unit's high byte: never the same entry.
    const std::u16string texts[] = {
        u"abcdefgh",
        u"abcdefgi",
        u"abcdefg",
        u"abcdefgh\u0100",
        u"abcdefgh\u0080",
        u"\u0161xyz",
        u"\u0061xyz",
        u"a\u0162cd",
        u"a\u0062cd",
        u"\u00E9t\u00E9",
        u"\u01E9t\u00E9",
        std::u16string(300, u'x'),
        std::u16string(299, u'x') + u"\u0178",
    };
    SharedStrings s;
    for (std::uint32_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(s.add(texts[i]), i) << i;
    for (std::uint32_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(s.add(texts[i]), i) << i;
    EXPECT_EQ(s.uniqueCount(), std::size(texts));
}

// Long texts are hashed in several lanes: a difference in any lane, or in the
// tail after the last whole group, still makes a new entry, and equal long texts
// share one.
TEST(SharedStrings, LongTextsDifferingAnywhereAreDistinct) {
    SharedStrings s;
    std::vector<std::u16string> texts;
    for (std::size_t length : {15u, 16u, 17u, 31u, 64u, 67u, 5000u}) {
        const std::u16string base(length, u'n');
        texts.push_back(base);
        for (std::size_t at : {std::size_t{0}, std::size_t{4}, std::size_t{9}, std::size_t{14},
                               length / 2, length - 1}) {
            std::u16string t = base;
            t[at] = u'm';
            texts.push_back(t);
            t[at] = u'\u0100';  // the same place, now needing two bytes
            texts.push_back(t);
        }
    }
    std::vector<std::uint32_t> first;
    for (const auto& t : texts) first.push_back(s.add(t));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(s.add(std::u16string(texts[i])), first[i]) << i;
        for (std::size_t j = 0; j < i; ++j) {
            if (texts[i] == texts[j]) {
                EXPECT_EQ(first[i], first[j]);
            } else {
                EXPECT_NE(first[i], first[j]) << i << " " << j;
            }
        }
    }
}

// Texts whose hashes meet are told apart by comparing them, one or two bytes a
// unit: a difference at any place, or in width alone, must still make a new entry.
TEST(SharedStrings, TextsSharingAHashAreComparedInFull) {
    for (std::size_t length : {1u, 15u, 16u, 17u, 40u, 4000u}) {
        for (char16_t fill : {u'n', u'\u0103'}) {
            SharedStrings s;
            const std::u16string base(length, fill);
            const std::uint32_t hash = SharedStrings::hashOf(base);
            const std::uint32_t first = s.add(base, hash);
            std::uint32_t next = first + 1;
            for (std::size_t at = 0; at < length; ++at) {
                if (at > 40 && at + 24 < length && at % 97 != 0) continue;
                for (char16_t other : {u'm', u'\u0100', static_cast<char16_t>(fill ^ 0x100)}) {
                    std::u16string t = base;
                    t[at] = other;
                    if (t == base) continue;
                    // The hash of `base`, so that only the comparison can tell.
                    ASSERT_EQ(s.add(t, hash), next++) << length << " " << at;
                }
            }
            EXPECT_EQ(s.add(std::u16string(base), hash), first) << length;
        }
    }
}

TEST(SharedStrings, DecodesBackAcrossContinueRecords) {
    SharedStrings s;
    std::vector<std::u16string> texts;
    // Lengths chosen so that string starts, headers and characters land on and
    // around record boundaries, in both one- and two-byte forms, plus a pair.
    for (int i = 0; i < 300; ++i) {
        std::u16string t(static_cast<std::size_t>(i * 37 % 1000),
                         static_cast<char16_t>(u'a' + i % 26));
        if (i % 3 == 0) t += u'\u0418';  // Cyrillic: two bytes per character
        if (i % 5 == 0) t += u"\U0001F600";
        texts.push_back(t);
    }
    texts.push_back(std::u16string(32767, u'z'));
    std::u16string wide;
    while (wide.size() + 2 <= 32767) wide += u"\U0001D11E";
    wide += u'!';
    texts.push_back(wide);
    for (const auto& t : texts) s.add(t);
    s.add(texts[0]);

    VectorSink sink;
    RecordWriter w(sink, 5000);
    s.write(w);
    Decoded d = decode(sink.bytes);
    EXPECT_EQ(d.total, texts.size() + 1);
    EXPECT_EQ(d.strings, texts);
    for (std::size_t size : d.recordSizes) EXPECT_LE(size, biff::kMaxRecordData);
    EXPECT_GT(d.recordSizes.size(), 20u);

    // ExtSST: buckets of max(8, ceil(n / 128)) strings; each entry's position
    // points at the bucket's first string header.
    ASSERT_FALSE(d.extSst.empty());
    EXPECT_EQ(d.extSst[0], 8u);
    EXPECT_EQ((d.extSst.size() - 1) / 2, (texts.size() + 7) / 8);
    for (std::size_t b = 0; b * 2 + 2 < d.extSst.size(); ++b) {
        std::uint32_t pos = d.extSst[1 + 2 * b] - 5000;
        const std::u16string& first = texts[b * 8];
        ASSERT_LT(pos + 3, sink.bytes.size());
        EXPECT_EQ(sink.bytes[pos] | sink.bytes[pos + 1] << 8, static_cast<int>(first.size()));
        // Offset within the record counts from the record header.
        std::uint32_t recordStart = pos - d.extSst[2 + 2 * b];
        std::uint16_t type = sink.bytes[recordStart] | sink.bytes[recordStart + 1] << 8;
        EXPECT_TRUE(type == biff::kRecordSst || type == biff::kRecordContinue) << b;
    }
}

TEST(SharedStrings, EmptyTableStillWritesSstAndExtSst) {
    SharedStrings s;
    VectorSink sink;
    RecordWriter w(sink);
    s.write(w);
    Decoded d = decode(sink.bytes);
    EXPECT_TRUE(d.strings.empty());
    EXPECT_EQ(d.recordSizes, (std::vector<std::size_t>{8, 2}));
}

// ExtSST's strings per bucket: max(unique / 128 + 1, 8), so at most 128 buckets.
TEST(SharedStrings, BucketSize) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 8}, {1, 8}, {1023, 8}, {1024, 9}, {1151, 9}, {1152, 10}, {1280, 11}, {65535, 512}};
    for (auto [unique, bucket] : cases) {
        EXPECT_EQ(SharedStrings::bucketSize(unique), bucket) << unique;
        EXPECT_LE((unique + bucket - 1) / bucket, 128u) << unique;
    }
}

}  // namespace
}  // namespace excel
