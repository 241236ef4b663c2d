#include "shared_strings.h"

#include <xxhash.h>

#include <bit>
#include <cstring>

#include "core/little_endian.h"
#include "core/text_units.h"

namespace excel {
namespace {

constexpr std::size_t kStringHeader = 3;  // cch (2) and flags (1)

std::size_t encodedSize(const std::uint8_t* p) {
    std::size_t cch = engine::le16(p);
    return kStringHeader + cch * ((p[2] & biff::kStringHighByte) ? 2 : 1);
}

// Whether one byte per unit at `p` holds `text`. Hashes meet almost only for
// equal texts, which are read to the end anyway: without an early exit the
// compiler vectorises the loop, and a memo repeated in every row stays cheap.
bool sameNarrowUnits(const std::uint8_t* p, std::u16string_view text) {
    char16_t differ = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        differ |= static_cast<char16_t>(p[i] ^ text[i]);
    }
    return differ == 0;
}

// Whether two little-endian bytes per unit at `p` hold `text`.
bool sameWideUnits(const std::uint8_t* p, std::u16string_view text) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::memcmp(p, text.data(), text.size() * 2) == 0;
    } else {
        for (char16_t c : text) {
            if (engine::le16(p) != c) return false;
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

std::uint32_t SharedStrings::hashOf(std::u16string_view text) {
    const XXH64_hash_t h = XXH3_64bits(text.data(), text.size() * sizeof(char16_t));
    return static_cast<std::uint32_t>(h ^ h >> 32);
}

void SharedStrings::grow() {
    std::vector<std::uint64_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (const std::uint64_t slot : slots_) {
        if (slot == 0) continue;
        std::size_t s = (slot >> 32) & mask;
        while (slots[s] != 0) s = (s + 1) & mask;
        slots[s] = slot;
    }
    slots_ = std::move(slots);
}

bool SharedStrings::equals(std::uint32_t index, std::u16string_view text) const {
    // One encoding per text (one byte per unit exactly when every unit fits), so a
    // text can only equal an entry of the width it would be stored in.
    std::string_view e = entry(index);
    auto p = reinterpret_cast<const std::uint8_t*>(e.data());
    if (engine::le16(p) != text.size()) return false;
    const bool narrow = (p[2] & biff::kStringHighByte) == 0;
    p += kStringHeader;
    return narrow ? sameNarrowUnits(p, text) : sameWideUnits(p, text);
}

std::uint32_t SharedStrings::add(std::u16string_view text, std::uint32_t hash) {
    ++total_;
    // At most three quarters full, so probe runs stay short.
    if ((locations_.size() + 1) * 4 > slots_.size() * 3) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hash & mask;
    for (; slots_[s] != 0; s = (s + 1) & mask) {
        const std::uint64_t slot = slots_[s];
        if (slot >> 32 != hash) continue;
        const auto i = static_cast<std::uint32_t>(slot) - 1;
        if (equals(i, text)) return firstIndex_ + i;
    }

    // A new text is encoded once, into the chunk that keeps it. A string never
    // spans chunks: at most 3 + 2 * 32767 bytes, well under a chunk.
    const bool compressed = fitsOneByte(text);
    const std::size_t size = kStringHeader + text.size() * (compressed ? 1 : 2);
    if (chunkUsed_ + size > kChunkSize) {
        chunks_.push_back(allocateChunk());
        chunkUsed_ = 0;
    }
    std::uint8_t* out = chunks_.back().get() + chunkUsed_;
    putLe16(out, static_cast<std::uint16_t>(text.size()));
    out[2] = compressed ? 0 : biff::kStringHighByte;
    out += kStringHeader;
    if (compressed) {
        engine::narrowUnits(text.data(), text.size(), out);
    } else {
        engine::unitsToLe(text.data(), text.size(), out);
    }
    auto index = static_cast<std::uint32_t>(locations_.size());
    locations_.push_back(
        static_cast<std::uint32_t>((chunks_.size() - 1) << kChunkBits | chunkUsed_));
    slots_[s] = std::uint64_t{hash} << 32 | (index + 1);
    chunkUsed_ += size;
    encodedBytes_ += size;
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
    const std::size_t cch = engine::le16(bytes);
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

void SharedStrings::write(RecordWriter& w) const {
    const std::uint32_t bucket = bucketSize(firstIndex_ + uniqueCount());
    Payload ext;
    ext.u16(static_cast<std::uint16_t>(bucket));
    w.begin(biff::kRecordSst);
    std::uint8_t counts[8];
    putLe32(counts, total_);
    putLe32(counts + 4, firstIndex_ + uniqueCount());
    w.put(counts, sizeof counts);
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
