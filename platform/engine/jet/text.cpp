#include "text.h"

#include <iconv.h>

#include <cstring>
#include <vector>

#include "core/text_units.h"

namespace jet {

namespace {

// iconv names of the Windows code pages Jet 3 databases are written in.
const char* iconvName(int codePage) {
    switch (codePage) {
        case 874: return "CP874";
        case 932: return "CP932";
        case 936: return "GBK";
        case 949: return "CP949";
        case 950: return "BIG5";
        case 1250: return "CP1250";
        case 1251: return "CP1251";
        case 1252: return "CP1252";
        case 1253: return "CP1253";
        case 1254: return "CP1254";
        case 1255: return "CP1255";
        case 1256: return "CP1256";
        case 1257: return "CP1257";
        case 1258: return "CP1258";
        default: return nullptr;
    }
}

bool isDoubleByte(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// One byte through iconv; bytes a code page leaves undefined map to the control
// character of the same number, as Windows does.
char16_t convertByte(iconv_t cd, std::uint8_t byte) {
    char in[1] = {static_cast<char>(byte)};
    char out[8];
    char* ip = in;
    char* op = out;
    std::size_t il = 1, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || sizeof out - ol != 2)
        return byte;
    return engine::le16(reinterpret_cast<const std::uint8_t*>(out));
}

}  // namespace

TextDecoder::TextDecoder(bool codePageText, int codePage) : codePageText_(codePageText) {
    for (int i = 0; i < 256; ++i) table_[i] = static_cast<char16_t>(i);
    if (!codePageText_) return;
    const char* name = iconvName(codePage);
    if (name == nullptr) name = "CP1252";
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-16LE", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;  // stays Latin-1
    if (isDoubleByte(codePage)) {
        iconv_ = cd;
        return;
    }
    for (int i = 0x80; i < 256; ++i) table_[i] = convertByte(cd, static_cast<std::uint8_t>(i));
    iconv_close(cd);
}

TextDecoder::~TextDecoder() {
    if (iconv_ != nullptr) iconv_close(static_cast<iconv_t>(iconv_));
}

void TextDecoder::decode(const std::uint8_t* p, std::size_t n, std::u16string& out) const {
    out.clear();
    if (codePageText_) {
        if (iconv_ != nullptr) return decodeMultiByte(p, n, out);
        out.resize(n);
        for (std::size_t i = 0; i < n; ++i) out[i] = table_[p[i]];
        return;
    }
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        out.resize(n);  // never more units than bytes
        char16_t* o = out.data();
        bool compressed = true;
        std::size_t i = 2;
        while (i < n) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                // A run of one-byte units lasts to the next zero byte.
                const void* zero = std::memchr(p + i, 0, n - i);
                const std::size_t end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : n;
                engine::widenUnits(p + i, end - i, o);
                o += end - i;
                i = end;
            } else if (i + 1 < n) {
                *o++ = engine::le16(p + i);
                i += 2;
            } else {
                break;  // a stray last byte: not part of any character
            }
        }
        out.resize(static_cast<std::size_t>(o - out.data()));
        return;
    }
    out.resize(n / 2);
    engine::unitsFromLe(p, out.size(), out.data());
}

void TextDecoder::decodeMultiByte(const std::uint8_t* p, std::size_t n, std::u16string& out) const {
    auto cd = static_cast<iconv_t>(iconv_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buf(2 * n + 2);
    char* ip = const_cast<char*>(reinterpret_cast<const char*>(p));
    std::size_t il = n;
    while (il > 0) {
        char* op = buf.data();
        std::size_t ol = buf.size();
        const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
        for (char* q = buf.data(); q + 1 < op; q += 2)
            out.push_back(engine::le16(reinterpret_cast<const std::uint8_t*>(q)));
        if (r == static_cast<std::size_t>(-1) && il > 0) {
            // An invalid or cut byte sequence: keep the byte as its own character.
            out.push_back(table_[static_cast<std::uint8_t>(*ip)]);
            ++ip;
            --il;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

}  // namespace jet
