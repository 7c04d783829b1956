// A small JSON reader for the tests: strict enough to refuse what a JSON parser
// refuses (bad escapes, raw control characters, trailing commas, text after the value).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fit_test {

struct Json;
using JsonArray = std::vector<Json>;
using JsonObject = std::map<std::string, Json>;

struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<JsonArray>,
                 std::shared_ptr<JsonObject>>
        value;

    [[nodiscard]] bool is_null() const { return value.index() == 0; }
    [[nodiscard]] bool boolean() const { return std::get<bool>(value); }
    [[nodiscard]] double number() const { return std::get<double>(value); }
    [[nodiscard]] const std::string& string() const { return std::get<std::string>(value); }
    [[nodiscard]] const JsonArray& array() const { return *std::get<4>(value); }
    [[nodiscard]] const JsonObject& object() const { return *std::get<5>(value); }
    // The member `name` of an object; throws when there is none.
    [[nodiscard]] const Json& operator[](const std::string& name) const { return object().at(name); }
    [[nodiscard]] bool has(const std::string& name) const { return object().contains(name); }
};

// The one value `text` holds, or nothing when it is not valid JSON (strings are
// decoded to UTF-8).
std::optional<Json> parse_json(std::string_view text);

}  // namespace fit_test
