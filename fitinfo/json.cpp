#include "json.hpp"

#include <cstdio>

namespace fitinfo {

namespace {

// The length of the valid UTF-8 sequence at the start of `s`, 0 when there is none
// (overlong forms, surrogates and values past U+10FFFF are not valid).
std::size_t utf8_length(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = byte(0);
    std::size_t n = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;  // the range of the second byte
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return n;
}

}  // namespace

std::string json_string(std::string_view bytes) {
    std::string out = "\"";
    while (!bytes.empty()) {
        const auto c = static_cast<unsigned char>(bytes.front());
        const std::size_t n = utf8_length(bytes);
        if (n == 0) {
            out += "\\ufffd";
            bytes.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(bytes.substr(0, n));
        }
        bytes.remove_prefix(n);
    }
    return out + "\"";
}

void JsonWriter::value_starts() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::open(char bracket) {
    value_starts();
    out_ += bracket;
    first_.push_back(true);
}

void JsonWriter::close(char bracket) {
    first_.pop_back();
    out_ += bracket;
}

void JsonWriter::begin_object() { open('{'); }
void JsonWriter::end_object() { close('}'); }
void JsonWriter::begin_array() { open('['); }
void JsonWriter::end_array() { close(']'); }

JsonWriter& JsonWriter::key(std::string_view name) {
    value_starts();
    out_ += json_string(name);
    out_ += ':';
    after_key_ = true;
    return *this;
}

void JsonWriter::string(std::string_view bytes) {
    value_starts();
    out_ += json_string(bytes);
}

void JsonWriter::number(std::uint64_t value) {
    value_starts();
    out_ += std::to_string(value);
}

void JsonWriter::boolean(bool value) {
    value_starts();
    out_ += value ? "true" : "false";
}

void JsonWriter::null() {
    value_starts();
    out_ += "null";
}

}  // namespace fitinfo
