#pragma once
// Text as stored by Jet: Jet 3 in the database's Windows code page, Jet 4 and ACE
// in UTF-16LE, optionally in the compressed form that starts with FF FE (runs of
// one-byte characters, a zero byte switching between one and two bytes per unit).

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet {

class TextDecoder {
public:
    // codePageText: text in codePage (Jet 3; unknown code pages read as 1252),
    // else UTF-16LE.
    TextDecoder(bool codePageText, int codePage);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // Replaces out with the decoded text; keeps out's capacity.
    void decode(const std::uint8_t* p, std::size_t n, std::u16string& out) const;

private:
    void decodeMultiByte(const std::uint8_t* p, std::size_t n, std::u16string& out) const;

    bool codePageText_;
    char16_t table_[256];
    void* iconv_ = nullptr;  // iconv_t for double-byte code pages, else null
};

}  // namespace jet
