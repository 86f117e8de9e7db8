// SPDX-License-Identifier: GPL-3.0-or-later
// The small JSON objects that files other tools read carry in their text
// fields: the top-level members of one object, strings and whole numbers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace grimora {

// One top-level member. Nested objects and arrays are checked for syntax and
// kept as Other, as are fractions, true, false and null.
struct JsonMember {
    enum class Kind { String, Integer, Other };
    Kind kind = Kind::Other;
    std::string text;    // String: the decoded UTF-8
    int64_t number = 0;  // Integer: its value
};

using JsonObject = std::map<std::string, JsonMember, std::less<>>;

// The members of the object `text` holds; nothing when it is not one JSON
// object alone (whitespace around it aside), nests deeper than 32 levels or
// repeats a member.
std::optional<JsonObject> ParseJsonObject(std::string_view text);

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become
// U+FFFD so that the result stays valid JSON.
std::string JsonString(std::string_view text);

}  // namespace grimora
