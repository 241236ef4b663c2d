#pragma once
// The one low-level writer of the BIFF8 record stream: record framing, CONTINUE
// splitting, and the stream position that other records point at
// ([MS-XLS] 2.1.4 Record, Continue).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "biff_records.h"
#include "byte_sink.h"
#include "core/little_endian.h"

namespace excel {

// Little-endian record data under construction.
class Payload {
public:
    Payload& u8(std::uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    Payload& u16(std::uint16_t v);
    Payload& u32(std::uint32_t v);
    Payload& f64(double v);
    Payload& raw(const std::uint8_t* data, std::size_t size) {
        bytes_.insert(bytes_.end(), data, data + size);
        return *this;
    }
    // XLUnicodeString (2-byte count) or ShortXLUnicodeString (1-byte count), stored
    // one byte per character when every character fits ([MS-XLS] XLUnicodeString,
    // ShortXLUnicodeString).
    Payload& unicodeString(std::u16string_view text, bool shortCount = false);

    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Little-endian fields stored in place: cell records framed by hand, values
// patched into bytes written earlier.
using engine::putLe16;
using engine::putLe32;
using engine::putLe64;

// True when every UTF-16 unit fits one byte, so the string may be stored compressed.
bool fitsOneByte(std::u16string_view text);

class RecordWriter {
public:
    // `position` is the stream position of the first byte this writer will write,
    // so offsets stay absolute when a writer starts mid-stream.
    explicit RecordWriter(ByteSink& sink, std::uint64_t position = 0);

    // A whole record; data beyond 8224 bytes goes on in CONTINUE records.
    void record(std::uint16_t type, const std::uint8_t* data, std::size_t size);
    void record(std::uint16_t type, const Payload& p) { record(type, p.data(), p.size()); }
    // Records framed elsewhere (by another RecordWriter); only between records.
    void framed(const std::uint8_t* data, std::size_t size);

    // A record written in pieces (the shared string table).
    void begin(std::uint16_t type);
    // Starts a CONTINUE record unless `size` more bytes fit in the current one, so
    // that a piece which must not be split (a string header) stays whole.
    void keepTogether(std::size_t size);
    // Bytes that may be split anywhere.
    void put(const std::uint8_t* data, std::size_t size);
    // String characters (1 or 2 bytes each): split only between characters (and
    // never inside a surrogate pair); each CONTINUE they run into starts with a
    // fresh flags byte, as [MS-XLS] SST requires.
    void putChars(const std::uint8_t* chars, std::size_t count, bool highByte);
    void end();

    // Stream position of the next byte written.
    std::uint64_t position() const;
    // Offset of the next byte from the start of the current record's header.
    std::size_t offsetInRecord() const { return biff::kRecordHeaderSize + current_.size(); }

private:
    void flush();
    void startContinue();

    ByteSink& sink_;
    std::uint64_t flushed_;
    std::uint16_t type_ = 0;
    bool open_ = false;
    std::vector<std::uint8_t> current_;
};

}  // namespace excel
