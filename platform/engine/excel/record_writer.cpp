#include "record_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace excel {

Payload& Payload::u16(std::uint16_t v) {
    std::uint8_t b[2];
    putLe16(b, v);
    return raw(b, sizeof b);
}

Payload& Payload::u32(std::uint32_t v) {
    std::uint8_t b[4];
    putLe32(b, v);
    return raw(b, sizeof b);
}

Payload& Payload::f64(double v) {
    std::uint8_t b[8];
    putLe64(b, std::bit_cast<std::uint64_t>(v));
    return raw(b, sizeof b);
}

bool fitsOneByte(std::u16string_view text) {
    // No early exit: a loop over every unit the compiler can vectorise.
    char16_t all = 0;
    for (char16_t c : text) all |= c;
    return all <= 0xFF;
}

Payload& Payload::unicodeString(std::u16string_view text, bool shortCount) {
    if (shortCount) {
        u8(static_cast<std::uint8_t>(text.size()));
    } else {
        u16(static_cast<std::uint16_t>(text.size()));
    }
    bool compressed = fitsOneByte(text);
    u8(compressed ? 0 : biff::kStringHighByte);
    for (char16_t c : text) {
        if (compressed) {
            u8(static_cast<std::uint8_t>(c));
        } else {
            u16(c);
        }
    }
    return *this;
}

RecordWriter::RecordWriter(ByteSink& sink, std::uint64_t position)
    : sink_(sink), flushed_(position) {
    current_.reserve(biff::kMaxRecordData);
}

std::uint64_t RecordWriter::position() const {
    return open_ ? flushed_ + biff::kRecordHeaderSize + current_.size() : flushed_;
}

void RecordWriter::record(std::uint16_t type, const std::uint8_t* data, std::size_t size) {
    begin(type);
    put(data, size);
    end();
}

void RecordWriter::framed(const std::uint8_t* data, std::size_t size) {
    if (open_) throw std::logic_error("framed records written inside a record");
    sink_.write(data, size);
    flushed_ += size;
}

void RecordWriter::begin(std::uint16_t type) {
    if (open_) throw std::logic_error("record begun inside a record");
    type_ = type;
    open_ = true;
    current_.clear();
}

void RecordWriter::flush() {
    std::uint8_t header[biff::kRecordHeaderSize];
    putLe16(header, type_);
    putLe16(header + 2, static_cast<std::uint16_t>(current_.size()));
    sink_.write(header, sizeof header);
    if (!current_.empty()) sink_.write(current_.data(), current_.size());
    flushed_ += sizeof header + current_.size();
    current_.clear();
}

void RecordWriter::startContinue() {
    flush();
    type_ = biff::kRecordContinue;
}

void RecordWriter::keepTogether(std::size_t size) {
    if (current_.size() + size > biff::kMaxRecordData) startContinue();
}

void RecordWriter::put(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (current_.size() == biff::kMaxRecordData) startContinue();
        std::size_t n = std::min(size, biff::kMaxRecordData - current_.size());
        current_.insert(current_.end(), data, data + n);
        data += n;
        size -= n;
    }
}

void RecordWriter::putChars(const std::uint8_t* chars, std::size_t count, bool highByte) {
    const std::size_t width = highByte ? 2 : 1;
    while (count > 0) {
        std::size_t fit = (biff::kMaxRecordData - current_.size()) / width;
        if (fit == 0) {
            startContinue();
            current_.push_back(highByte ? biff::kStringHighByte : 0);
            continue;
        }
        std::size_t n = std::min(fit, count);
        if (n < count && highByte && n > 1) {
            const char16_t last = engine::le16(chars + 2 * (n - 1));
            if (last >= 0xD800 && last <= 0xDBFF) --n;  // keep the pair in one record
        }
        current_.insert(current_.end(), chars, chars + n * width);
        chars += n * width;
        count -= n;
        if (count > 0) {
            startContinue();
            current_.push_back(highByte ? biff::kStringHighByte : 0);
        }
    }
}

void RecordWriter::end() {
    if (!open_) throw std::logic_error("record ended twice");
    flush();
    open_ = false;
}

}  // namespace excel
