// textForm(): the text form of core/text_form.h as a string.

#include "sql.h"
#include "text_form_internal.h"

namespace sql {

std::u16string textForm(const engine::Value& value) {
    TextBuffer buffer;
    std::u16string large;
    return std::u16string(textFormOf(value, buffer, large));
}

}  // namespace sql
