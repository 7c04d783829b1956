// A small JSON writer for --json: objects, arrays, strings, numbers and booleans,
// with the commas placed for the caller. Strings are written as valid UTF-8 whatever
// bytes they hold: a byte that is no part of a valid UTF-8 sequence (a file name from
// another code page) becomes U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fitinfo {

class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The name of the next member of the object being written.
    JsonWriter& key(std::string_view name);
    void string(std::string_view bytes);
    void number(std::uint64_t value);
    void boolean(bool value);
    void null();

    [[nodiscard]] const std::string& text() const { return out_; }

private:
    void value_starts();
    void open(char bracket);
    void close(char bracket);

    std::string out_;
    std::vector<bool> first_;  // per open object or array: nothing written in it yet
    bool after_key_ = false;
};

// `bytes` as a JSON string literal, quotes included.
std::string json_string(std::string_view bytes);

}  // namespace fitinfo
