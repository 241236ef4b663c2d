#pragma once
// Text forms of values (what LIKE matches a non-text value against), written into
// a fixed buffer so testing a row never allocates, and #date# literals.

#include <cstddef>
#include <optional>
#include <string_view>

#include "core/value.h"

namespace sql {

// Large enough for every non-text form: a 128-bit decimal with point and sign, a
// double in scientific form, a date with time, a braced GUID.
struct TextBuffer {
    char16_t data[64];
    std::size_t size = 0;

    void push(char16_t c) {
        if (size < sizeof data / sizeof data[0]) data[size++] = c;
    }
    void append(std::string_view ascii) {
        for (char c : ascii) push(static_cast<char16_t>(c));
    }
    void append(std::u16string_view text) {
        for (char16_t c : text) push(c);
    }
    std::u16string_view view() const { return {data, size}; }
};

// The text form of value: a view of value.text for Text and Memo, the bytes read as
// UTF-16LE in large for Binary and LongBinary (its capacity is reused), otherwise the
// form written into buffer (see textForm() in sql.h). Null gives "".
std::u16string_view textFormOf(const engine::Value& value, TextBuffer& buffer,
                               std::u16string& large);

// The value of a #date# literal's text (without the #s): yyyy-mm-dd, yyyy/mm/dd,
// m/d/yyyy or m/d/yy (US order as the dialect reads it; two-digit years 30-99 are
// 19xx, 00-29 20xx), each optionally followed by a time h:nn[:ss] [AM|PM], or a time
// alone. Nullopt when the text is not such a date.
std::optional<double> parseDateLiteral(std::u16string_view text);

}  // namespace sql
