#pragma once
// JSON documents read with nlohmann-json, keeping every digit of the numbers:
// whole numbers up to 64 bits arrive as integers; any other number (a fraction,
// an exponent, or more digits than 64 bits hold) keeps the text it was written
// with, so Currency and Decimal amounts stay exact. Objects keep their members
// in the order written, so a description's faults are met in that order.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace mkmdb {

using Json = nlohmann::ordered_json;

// Throws nlohmann::json::exception; its what() names the line and column.
Json parseExactJson(std::string_view text);

// Any number, whole or kept as written.
bool isNumber(const Json& v);
// A number's text: whole numbers in decimal digits, others as written.
std::string numberText(const Json& v);

}  // namespace mkmdb
