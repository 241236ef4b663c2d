#pragma once
// The text form of a value: what LIKE matches a non-text value against, what
// jetsql prints, and how the values of a multi-valued field are joined into one
// text. Written into a fixed buffer, so forming the text of a row's value never
// allocates.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/value.h"

namespace engine {

// Large enough for every non-text form: a 128-bit decimal with point and sign, a
// double in scientific form, a date with time and fraction, a braced GUID.
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

// The text form of value: a view of value.text for the types that hold text, the
// bytes read as UTF-16LE in large for Binary and LongBinary (its capacity is
// reused), otherwise the form written into buffer:
//   integers (Large Number too) in decimal; Currency with up to four decimals and
//   Decimal with its scale, trailing zeros dropped; Single and Double in their
//   shortest round-trip form, plain between 1E-5 and 1E15 and as 1.5E+20 outside;
//   dates as dateText() shows them (the number itself when no day Jet keeps);
//   Date/Time Extended as extDateText(); booleans as True/False; GUIDs as
//   {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}. Always '.' as the decimal separator.
// Null gives "".
std::u16string_view textFormOf(const Value& value, TextBuffer& buffer, std::u16string& large);

}  // namespace engine
