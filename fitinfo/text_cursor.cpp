#include "text_cursor.hpp"

#include <algorithm>

namespace fitinfo {

std::string TextCursor::found_here(std::size_t n) const {
    if (at_end()) return "the end of the file";
    return quoted(text_.subspan(at_, std::min(n, text_.size() - at_)));
}

std::optional<media::FormatError> TextCursor::literal(std::string_view expected,
                                                      std::string_view what) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (at_ + i < text_.size() && text_[at_ + i] == static_cast<std::uint8_t>(expected[i]))
            continue;
        media::FormatError error{at_ + i, std::string(what), quoted(expected), found_here(expected.size())};
        return error;
    }
    at_ += expected.size();
    return std::nullopt;
}

media::Checked<unsigned> TextCursor::decimal(unsigned largest, std::string_view what) {
    const std::size_t start = at_;
    std::size_t end = at_;
    while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
    if (end == start)
        return media::FormatError{start, std::string(what), "a decimal number", found_here(1)};
    if (text_[start] == '0' && end - start > 1)
        return media::FormatError{start, std::string(what), "a number without leading zeros",
                                  quoted(text_.subspan(start, end - start))};
    unsigned long value = 0;
    for (std::size_t i = start; i < end && value <= largest; ++i) value = value * 10 + (text_[i] - '0');
    if (value > largest)
        return media::FormatError{start, std::string(what), "0 to " + std::to_string(largest),
                                  quoted(text_.subspan(start, end - start))};
    at_ = end;
    return static_cast<unsigned>(value);
}

media::Checked<std::uint8_t> TextCursor::hex_byte(std::string_view what) {
    unsigned value = 0;
    for (std::size_t d = 0; d < 2; ++d) {
        const std::size_t i = at_ + d;
        const std::uint8_t c = i < text_.size() ? text_[i] : 0;
        const bool digit = c >= '0' && c <= '9';
        const bool letter = c >= 'A' && c <= 'F';
        if (!digit && !letter)
            return media::FormatError{i, std::string(what), "an upper-case hexadecimal digit",
                                      i < text_.size() ? char_text(c) : "the end of the file"};
        value = value << 4 | static_cast<unsigned>(digit ? c - '0' : c - 'A' + 10);
    }
    at_ += 2;
    return static_cast<std::uint8_t>(value);
}

std::optional<media::FormatError> TextCursor::end(std::string_view what) {
    if (at_end()) return std::nullopt;
    return media::FormatError{at_, std::string(what), "the end of the file", found_here(16)};
}

}  // namespace fitinfo
