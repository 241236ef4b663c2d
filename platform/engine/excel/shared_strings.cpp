#include "shared_strings.h"

#include <cstring>
#include <functional>

namespace excel {
namespace {

constexpr std::size_t kStringHeader = 3;  // cch (2) and flags (1)

std::size_t encodedSize(const std::uint8_t* p) {
    std::size_t cch = p[0] | p[1] << 8;
    return kStringHeader + cch * ((p[2] & biff::kStringHighByte) ? 2 : 1);
}

}  // namespace

std::string_view SharedStrings::entry(std::uint32_t index) const {
    std::uint32_t loc = locations_[index];
    const std::uint8_t* p = chunks_[loc >> kChunkBits].get() + (loc & (kChunkSize - 1));
    return {reinterpret_cast<const char*>(p), encodedSize(p)};
}

void SharedStrings::grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t i = 0; i < locations_.size(); ++i) {
        std::size_t s = hashes_[i] & mask;
        while (slots[s] != 0) s = (s + 1) & mask;
        slots[s] = i + 1;
    }
    slots_.swap(slots);
}

std::uint32_t SharedStrings::add(std::u16string_view text) {
    // One encoding per text (compressed exactly when every character fits a byte),
    // so equal texts have equal bytes.
    const bool compressed = fitsOneByte(text);
    scratch_.resize(kStringHeader + text.size() * (compressed ? 1 : 2));
    std::uint8_t* out = scratch_.data();
    *out++ = static_cast<std::uint8_t>(text.size());
    *out++ = static_cast<std::uint8_t>(text.size() >> 8);
    *out++ = compressed ? 0 : biff::kStringHighByte;
    if (compressed) {
        for (char16_t c : text) *out++ = static_cast<std::uint8_t>(c);
    } else {
        for (char16_t c : text) {
            *out++ = static_cast<std::uint8_t>(c);
            *out++ = static_cast<std::uint8_t>(c >> 8);
        }
    }
    std::string_view key(reinterpret_cast<const char*>(scratch_.data()), scratch_.size());
    auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));

    ++total_;
    if ((locations_.size() + 1) * 2 > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hash & mask;
    for (; slots_[s] != 0; s = (s + 1) & mask) {
        std::uint32_t i = slots_[s] - 1;
        if (hashes_[i] == hash && entry(i) == key) return i;
    }

    // A string never spans chunks: at most 3 + 2 * 32767 bytes, well under a chunk.
    if (chunkUsed_ + key.size() > kChunkSize) {
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize));
        chunkUsed_ = 0;
    }
    std::memcpy(chunks_.back().get() + chunkUsed_, key.data(), key.size());
    auto index = static_cast<std::uint32_t>(locations_.size());
    locations_.push_back(
        static_cast<std::uint32_t>((chunks_.size() - 1) << kChunkBits | chunkUsed_));
    hashes_.push_back(hash);
    slots_[s] = index + 1;
    chunkUsed_ += key.size();
    encodedBytes_ += key.size();
    return index;
}

void SharedStrings::write(RecordWriter& w) const {
    const std::uint32_t unique = uniqueCount();
    std::uint32_t bucket = (unique + biff::kExtSstMaxBuckets - 1) / biff::kExtSstMaxBuckets;
    if (bucket < biff::kExtSstMinBucket) bucket = biff::kExtSstMinBucket;

    Payload ext;
    ext.u16(static_cast<std::uint16_t>(bucket));

    Payload head;
    head.u32(total_).u32(unique);
    w.begin(biff::kRecordSst);
    w.put(head.data(), head.size());
    for (std::uint32_t i = 0; i < unique; ++i) {
        auto bytes = reinterpret_cast<const std::uint8_t*>(entry(i).data());
        const std::size_t cch = bytes[0] | bytes[1] << 8;
        const bool highByte = bytes[2] & biff::kStringHighByte;
        // The header and the first character stay in one record: a string never
        // starts with its header alone at the end of a record.
        w.keepTogether(kStringHeader + (cch > 0 ? (highByte ? 2 : 1) : 0));
        if (i % bucket == 0) {
            ext.u32(static_cast<std::uint32_t>(w.position()))
                .u16(static_cast<std::uint16_t>(w.offsetInRecord()))
                .u16(0);
        }
        w.put(bytes, kStringHeader);
        w.putChars(bytes + kStringHeader, cch, highByte);
    }
    w.end();
    w.record(biff::kRecordExtSst, ext);
}

}  // namespace excel
