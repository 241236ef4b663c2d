#include "exact_json.h"

#include <cstdint>
#include <vector>

namespace mkmdb {

namespace {

// Builds the document from nlohmann's public SAX events. A number that would
// become a double keeps its text instead, stored as a binary value, which no
// JSON text can otherwise produce.
//
// open_ holds the arrays and objects being filled, innermost last. A pointer
// stays valid while its container is open: a container's parent gains no
// members until it is closed.
class ExactBuilder final : public nlohmann::json_sax<Json> {
public:
    explicit ExactBuilder(Json& root) : root_(root) {}

    bool null() override { return put(nullptr); }
    bool boolean(bool value) override { return put(value); }
    bool number_integer(number_integer_t value) override { return put(value); }
    bool number_unsigned(number_unsigned_t value) override { return put(value); }
    bool number_float(number_float_t, const string_t& text) override {
        return put(binary_t(std::vector<std::uint8_t>(text.begin(), text.end())));
    }
    bool string(string_t& value) override { return put(std::move(value)); }
    bool binary(binary_t& value) override { return put(std::move(value)); }

    bool start_object(std::size_t) override {
        open_.push_back(place(Json::object()));
        return true;
    }
    bool key(string_t& name) override {
        key_ = std::move(name);
        return true;
    }
    bool end_object() override {
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override {
        open_.push_back(place(Json::array()));
        return true;
    }
    bool end_array() override {
        open_.pop_back();
        return true;
    }

    // Rethrown as the kind nlohmann raised, so callers see its message with
    // the line and column.
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& e) override {
        if (const auto* p = dynamic_cast<const Json::parse_error*>(&e)) throw *p;
        if (const auto* o = dynamic_cast<const Json::out_of_range*>(&e)) throw *o;
        throw e;
    }

private:
    // Puts a value where the text has it: the root, the next array element,
    // or the member named by the last key (a repeated key keeps the last value).
    Json* place(Json&& value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Json& container = *open_.back();
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        Json& member = container[key_];
        member = std::move(value);
        return &member;
    }
    bool put(Json&& value) {
        place(std::move(value));
        return true;
    }

    Json& root_;
    std::vector<Json*> open_;
    std::string key_;
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
