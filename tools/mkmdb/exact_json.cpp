#include "exact_json.h"

#include <cstdint>
#include <vector>

namespace mkmdb {

namespace {

// nlohmann's own document builder (the one json::parse uses), except for
// numbers it would round to a double: those keep their text, stored as a
// binary value, which no JSON text can otherwise produce.
class ExactBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
public:
    using json_sax_dom_parser::json_sax_dom_parser;

    bool number_float(double, const std::string& text) {
        Json::binary_t written(std::vector<std::uint8_t>(text.begin(), text.end()));
        return binary(written);
    }
};

}  // namespace

Json parseExactJson(std::string_view text) {
    Json doc;
    ExactBuilder builder(doc);
    Json::sax_parse(text, &builder);
    return doc;
}

bool isNumber(const Json& v) { return v.is_number() || v.is_binary(); }

std::string numberText(const Json& v) {
    if (v.is_binary()) return std::string(v.get_binary().begin(), v.get_binary().end());
    return v.dump();
}

}  // namespace mkmdb
