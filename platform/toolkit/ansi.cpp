// The system's ANSI code page, Windows-1252: the characters of KeyAscii codes.
#include <array>

#include "error/error.h"
#include "toolkit/toolkit.h"

namespace toolkit {

namespace {

// Codes 0x80..0x9F of Windows-1252 (Unicode's mapping table for the code page,
// "cp1252.txt"); 0 marks the five codes that the page leaves undefined, which map to
// the C1 control of the same value, as the platform's conversion does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

QString ansiChar(std::int16_t code) {
    if (code < 0 || code > 255)
        throw converti::Error(kErrInvalidProcedureCall,
                              QStringLiteral("Invalid procedure call or argument"));
    char16_t c = static_cast<char16_t>(code);
    if (code >= 0x80 && code <= 0x9F && kHigh[code - 0x80] != 0) c = kHigh[code - 0x80];
    return QString(QChar(c));
}

std::int16_t ansiCode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<std::int16_t>(u);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == u) return static_cast<std::int16_t>(0x80 + i);
        if (kHigh[i] == 0 && u == 0x80 + i) return static_cast<std::int16_t>(u);
    }
    return 63;  // '?', as the platform's best-fit conversion gives for other characters
}

}  // namespace toolkit
