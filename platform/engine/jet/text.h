#pragma once
// Text as stored by Jet: Jet 3 in the database's Windows code page, Jet 4 in
// UTF-16LE, optionally in the compressed form that starts with FF FE (runs of
// one-byte characters, a zero byte switching between one and two bytes per unit).

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet {

class TextDecoder {
public:
    // version 3 or 4; codePage matters for Jet 3 only (unknown ones read as 1252).
    TextDecoder(int version, int codePage);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // Replaces out with the decoded text; keeps out's capacity.
    void decode(const std::uint8_t* p, std::size_t n, std::u16string& out) const;

private:
    void decodeMultiByte(const std::uint8_t* p, std::size_t n, std::u16string& out) const;

    int version_;
    char16_t table_[256];
    void* iconv_ = nullptr;  // iconv_t for double-byte code pages, else null
};

}  // namespace jet
