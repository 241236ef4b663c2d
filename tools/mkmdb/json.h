#pragma once
// A small JSON reader for mkmdb's description files. Numbers keep their source
// text so amounts and decimals stay exact.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mkmdb::json {

struct Member;

struct Value {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // String: UTF-8; Number: the literal as written
    std::vector<Value> items;
    std::vector<Member> members;  // a pair would need Value complete here
    std::size_t line = 0;  // where the value starts, for messages

    const Value* find(std::string_view key) const;
};

struct Member {
    std::string first;  // the key
    Value second;
};

// Throws std::invalid_argument with the line and column of the fault.
Value parse(std::string_view text);

}  // namespace mkmdb::json
