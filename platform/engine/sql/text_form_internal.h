#pragma once
// Text forms of values (core/text_form.h, what LIKE matches a non-text value
// against) and #date# literals.

#include <optional>
#include <string_view>

#include "core/text_form.h"

namespace sql {

using engine::TextBuffer;
using engine::textFormOf;

// The value of a #date# literal's text (without the #s): yyyy-mm-dd, yyyy/mm/dd,
// m/d/yyyy or m/d/yy (US order as the dialect reads it; two-digit years 30-99 are
// 19xx, 00-29 20xx), each optionally followed by a time h:nn[:ss] [AM|PM], or a time
// alone. Nullopt when the text is not such a date.
std::optional<double> parseDateLiteral(std::u16string_view text);

}  // namespace sql
