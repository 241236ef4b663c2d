#include "shared_strings.h"

#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

#include "core/text_units.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace excel {
namespace {

constexpr std::size_t kStringHeader = 3;  // cch (2) and flags (1)

std::size_t encodedSize(const std::uint8_t* p) {
    std::size_t cch = p[0] | p[1] << 8;
    return kStringHeader + cch * ((p[2] & biff::kStringHighByte) ? 2 : 1);
}

// Whether one byte per unit at `p` holds `text`.
bool sameNarrowUnits(const std::uint8_t* p, std::u16string_view text) {
    const char16_t* t = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + 8));
        const __m128i same = _mm_and_si128(_mm_cmpeq_epi16(_mm_unpacklo_epi8(bytes, zero), lo),
                                           _mm_cmpeq_epi16(_mm_unpackhi_epi8(bytes, zero), hi));
        if (_mm_movemask_epi8(same) != 0xFFFF) return false;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] != t[i]) return false;
    }
    return true;
}

// Whether two little-endian bytes per unit at `p` hold `text`.
bool sameWideUnits(const std::uint8_t* p, std::u16string_view text) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::memcmp(p, text.data(), text.size() * 2) == 0;
    } else {
        for (char16_t c : text) {
            if ((p[0] | p[1] << 8) != c) return false;
            p += 2;
        }
        return true;
    }
}

}  // namespace

std::string_view SharedStrings::entry(std::uint32_t index) const {
    std::uint32_t loc = locations_[index];
    const std::uint8_t* p = chunks_[loc >> kChunkBits].get() + (loc & (kChunkSize - 1));
    return {reinterpret_cast<const char*>(p), encodedSize(p)};
}

void SharedStrings::grow() {
    const std::size_t count = largeGrowth<std::uint64_t>(slotCount_);
    LargeVector<std::uint64_t> slots(count, 0);
    const std::size_t mask = count - 1;
    for (std::size_t i = 0; i < slotCount_; ++i) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) continue;
        std::size_t s = (slot >> 32) & mask;
        while (slots[s] != 0) s = (s + 1) & mask;
        slots[s] = slot;
    }
    slots_ = std::move(slots);
    slotCount_ = count;
}

bool SharedStrings::equals(std::uint32_t index, std::u16string_view text, bool compressed) const {
    std::string_view e = entry(index);
    auto p = reinterpret_cast<const std::uint8_t*>(e.data());
    if (static_cast<std::size_t>(p[0] | p[1] << 8) != text.size()) return false;
    if (((p[2] & biff::kStringHighByte) == 0) != compressed) return false;
    p += kStringHeader;
    // A text repeated in every row (a standard note) is compared in full each
    // time, so the comparisons go a vector at a time.
    return compressed ? sameNarrowUnits(p, text) : sameWideUnits(p, text);
}

std::uint32_t SharedStrings::add(std::u16string_view text, Key key) {
    // The text is encoded only when it is new. One encoding per text (compressed
    // exactly when every character fits a byte), so equal texts have equal bytes.
    const std::uint32_t hash = key.hash;
    const bool compressed = key.compressed;

    ++total_;
    // At most three quarters full: with 8-byte slots a probe run stays within a
    // cache line or two, and a table half as large is half the memory to clear.
    if ((locations_.size() + 1) * 4 > slotCount_ * 3) grow();
    const std::size_t mask = slotCount_ - 1;
    std::size_t s = hash & mask;
    for (; slots_[s] != 0; s = (s + 1) & mask) {
        const std::uint64_t slot = slots_[s];
        if (slot >> 32 != hash) continue;
        const auto i = static_cast<std::uint32_t>(slot) - 1;
        if (equals(i, text, compressed)) return firstIndex_ + i;
    }

    // A string never spans chunks: at most 3 + 2 * 32767 bytes, well under a chunk.
    const std::size_t size = kStringHeader + text.size() * (compressed ? 1 : 2);
    if (chunkUsed_ + size > kChunkSize) {
        chunks_.push_back(allocateChunk());
        chunkUsed_ = 0;
    }
    std::uint8_t* out = chunks_.back().get() + chunkUsed_;
    *out++ = static_cast<std::uint8_t>(text.size());
    *out++ = static_cast<std::uint8_t>(text.size() >> 8);
    *out++ = compressed ? 0 : biff::kStringHighByte;
    if (compressed) {
        engine::narrowUnits(text.data(), text.size(), out);
    } else if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, text.data(), text.size() * 2);
    } else {
        for (char16_t u : text) {
            *out++ = static_cast<std::uint8_t>(u);
            *out++ = static_cast<std::uint8_t>(u >> 8);
        }
    }
    auto index = static_cast<std::uint32_t>(locations_.size());
    growLarge(locations_);
    locations_.push_back(
        static_cast<std::uint32_t>((chunks_.size() - 1) << kChunkBits | chunkUsed_));
    slots_[s] = std::uint64_t{hash} << 32 | (index + 1);
    chunkUsed_ += size;
    encodedBytes_ += size;
    if (stream_) streamString(index);
    return firstIndex_ + index;
}

std::uint32_t SharedStrings::bucketSize(std::uint32_t unique) {
    // [MS-XLS] ExtSST: max(cstUnique / 128 + 1, 8), so never more than 128 buckets.
    std::uint32_t bucket = unique / biff::kExtSstMaxBuckets + 1;
    return bucket < biff::kExtSstMinBucket ? biff::kExtSstMinBucket : bucket;
}

template <typename Mark>
void SharedStrings::writeString(RecordWriter& w, std::uint32_t i, Mark mark) const {
    auto bytes = reinterpret_cast<const std::uint8_t*>(entry(i).data());
    const std::size_t cch = bytes[0] | bytes[1] << 8;
    const bool highByte = bytes[2] & biff::kStringHighByte;
    // The header and the first character stay in one record: a string never
    // starts with its header alone at the end of a record.
    w.keepTogether(kStringHeader + (cch > 0 ? (highByte ? 2 : 1) : 0));
    mark(w.position(), w.offsetInRecord());
    w.put(bytes, kStringHeader);
    w.putChars(bytes + kStringHeader, cch, highByte);
}

void SharedStrings::writeStrings(RecordWriter& w, std::uint32_t bucket, Payload& ext) const {
    for (std::uint32_t i = 0; i < uniqueCount(); ++i) {
        writeString(w, i, [&](std::uint64_t position, std::size_t offset) {
            if ((firstIndex_ + i) % bucket != 0) return;
            ext.u32(static_cast<std::uint32_t>(position))
                .u16(static_cast<std::uint16_t>(offset))
                .u16(0);
        });
    }
}

void SharedStrings::startStream(RecordWriter& w) {
    if (firstIndex_ != 0 || stream_) throw std::logic_error("strings streamed after others");
    stream_ = &w;
    w.begin(biff::kRecordSst);
    countsPosition_ = w.position();
    const std::uint8_t unknownYet[8] = {};
    w.put(unknownYet, sizeof unknownYet);
    for (std::uint32_t i = 0; i < uniqueCount(); ++i) streamString(i);
}

void SharedStrings::streamString(std::uint32_t i) {
    // Which strings ExtSST points at depends on the final count: every position is kept.
    writeString(*stream_, i, [&](std::uint64_t position, std::size_t offset) {
        growLarge(streamed_);
        streamed_.push_back(
            {static_cast<std::uint32_t>(position), static_cast<std::uint16_t>(offset)});
    });
}

void SharedStrings::endStream() {
    if (!stream_) throw std::logic_error("no strings streamed");
    RecordWriter& w = *stream_;
    stream_ = nullptr;
    w.end();
    const std::uint32_t bucket = bucketSize(uniqueCount());
    Payload ext;
    ext.u16(static_cast<std::uint16_t>(bucket));
    for (std::uint32_t i = 0; i < uniqueCount(); i += bucket) {
        ext.u32(streamed_[i].position).u16(streamed_[i].offset).u16(0);
    }
    w.record(biff::kRecordExtSst, ext);
}

std::array<std::uint8_t, 8> SharedStrings::counts() const {
    std::array<std::uint8_t, 8> b{};
    putU32(b.data(), total_);
    putU32(b.data() + 4, firstIndex_ + uniqueCount());
    return b;
}

void SharedStrings::write(RecordWriter& w) const {
    const std::uint32_t bucket = bucketSize(firstIndex_ + uniqueCount());
    Payload ext;
    ext.u16(static_cast<std::uint16_t>(bucket));
    w.begin(biff::kRecordSst);
    const auto head = counts();
    w.put(head.data(), head.size());
    writeStrings(w, bucket, ext);
    w.end();
    w.record(biff::kRecordExtSst, ext);
}

void SharedStrings::writeContinuation(RecordWriter& w, std::uint32_t bucket, Payload& ext) const {
    if (uniqueCount() == 0) return;
    w.begin(biff::kRecordContinue);
    writeStrings(w, bucket, ext);
    w.end();
}

}  // namespace excel
