#pragma once
// The workbook's shared string table: every distinct cell text once, in the order
// first seen, written as SST (with CONTINUE) and ExtSST ([MS-XLS] SST,
// ExtSST, XLUnicodeRichExtendedString).
//
// Strings are kept only in their encoded form, in fixed chunks, and looked up by an
// open-addressing table of indexes, so the table's text is held once.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "record_writer.h"

namespace excel {

class SharedStrings {
public:
    // `firstIndex`: strings already in the workbook's table, before these.
    explicit SharedStrings(std::uint32_t firstIndex = 0) : firstIndex_(firstIndex) {}

    // Returns the string's index in the table, adding it when new; counts one use.
    // The caller keeps text at most 32767 characters.
    std::uint32_t add(std::u16string_view text) { return add(text, hashOf(text)); }
    // The same with `hash` taken for the text's (tests give colliding ones).
    std::uint32_t add(std::u16string_view text, std::uint32_t hash);
    static std::uint32_t hashOf(std::u16string_view text);

    std::uint32_t uniqueCount() const { return static_cast<std::uint32_t>(locations_.size()); }
    std::uint32_t totalCount() const { return total_; }
    // Bytes of encoded strings held (an upper bound for their share of the stream).
    std::uint64_t encodedBytes() const { return encodedBytes_; }

    // SST and its CONTINUE records, then ExtSST.
    void write(RecordWriter& w) const;

    // Strings added after an existing table, whose own records were just written:
    // CONTINUE records holding these strings (none when there are none). Every
    // string whose whole-table index is a multiple of `bucket` gets its ExtSST
    // entry (position, offset in record, reserved) appended to `ext`.
    void writeContinuation(RecordWriter& w, std::uint32_t bucket, Payload& ext) const;

    // ExtSST's strings per bucket for a table of `unique` strings.
    static std::uint32_t bucketSize(std::uint32_t unique);

private:
    std::string_view entry(std::uint32_t index) const;
    // Writes string i; mark(position, offset in record) is told where its header goes.
    template <typename Mark>
    void writeString(RecordWriter& w, std::uint32_t i, Mark mark) const;
    void writeStrings(RecordWriter& w, std::uint32_t bucket, Payload& ext) const;
    bool equals(std::uint32_t index, std::u16string_view text) const;
    void grow();

    std::vector<Chunk> chunks_;
    std::size_t chunkUsed_ = kChunkSize;
    std::vector<std::uint32_t> locations_;  // chunk << kChunkBits | offset
    std::vector<std::uint64_t> slots_;      // hash << 32 | (index + 1), 0 = empty
    std::uint32_t firstIndex_ = 0;
    std::uint32_t total_ = 0;
    std::uint64_t encodedBytes_ = 0;
};

}  // namespace excel
