#include "json_read.hpp"

#include <cstdlib>
#include <stdexcept>

namespace fit_test {

namespace {

struct Bad : std::runtime_error {
    Bad() : std::runtime_error("bad JSON") {}
};

class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {}

    Json document() {
        Json v = value();
        space();
        if (at_ != s_.size()) throw Bad();
        return v;
    }

private:
    void space() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    char peek() {
        space();
        if (at_ >= s_.size()) throw Bad();
        return s_[at_];
    }
    void expect(std::string_view word) {
        if (s_.substr(at_, word.size()) != word) throw Bad();
        at_ += word.size();
    }

    Json value() {
        const char c = peek();
        if (c == '{') return {object()};
        if (c == '[') return {array()};
        if (c == '"') return {string()};
        if (c == 't') return expect("true"), Json{true};
        if (c == 'f') return expect("false"), Json{false};
        if (c == 'n') return expect("null"), Json{nullptr};
        return {number()};
    }

    std::shared_ptr<JsonObject> object() {
        auto out = std::make_shared<JsonObject>();
        ++at_;
        if (peek() == '}') return ++at_, out;
        for (;;) {
            if (peek() != '"') throw Bad();
            std::string name = string();
            if (peek() != ':') throw Bad();
            ++at_;
            if (!out->emplace(std::move(name), value()).second) throw Bad();  // no repeats
            const char c = peek();
            ++at_;
            if (c == '}') return out;
            if (c != ',') throw Bad();
        }
    }

    std::shared_ptr<JsonArray> array() {
        auto out = std::make_shared<JsonArray>();
        ++at_;
        if (peek() == ']') return ++at_, out;
        for (;;) {
            out->push_back(value());
            const char c = peek();
            ++at_;
            if (c == ']') return out;
            if (c != ',') throw Bad();
        }
    }

    unsigned hex4() {
        if (at_ + 4 > s_.size()) throw Bad();
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[at_++];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0) throw Bad();
            v = v * 16 + static_cast<unsigned>(d);
        }
        return v;
    }

    static void put_utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string string() {
        std::string out;
        ++at_;
        for (;;) {
            if (at_ >= s_.size()) throw Bad();
            const auto c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"') return out;
            if (c < 0x20) throw Bad();
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at_ >= s_.size()) throw Bad();
            switch (s_[at_++]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = hex4();
                if (cp >= 0xD800 && cp < 0xDC00) {
                    expect("\\u");
                    const unsigned low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF) throw Bad();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    throw Bad();
                }
                put_utf8(out, cp);
                break;
            }
            default: throw Bad();
            }
        }
    }

    double number() {
        const std::size_t start = at_;
        if (at_ < s_.size() && s_[at_] == '-') ++at_;
        const auto digits = [&] {
            const std::size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
            if (at_ == from) throw Bad();
        };
        if (at_ < s_.size() && s_[at_] == '0') ++at_;
        else digits();
        if (at_ < s_.size() && s_[at_] == '.') ++at_, digits();
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            digits();
        }
        return std::strtod(std::string(s_.substr(start, at_ - start)).c_str(), nullptr);
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<Json> parse_json(std::string_view text) {
    try {
        return Reader(text).document();
    } catch (const Bad&) {
        return std::nullopt;
    }
}

}  // namespace fit_test
