// Reads program text strictly, character by character, so that the first character
// that is not what the format wants is named with its offset.
#pragma once

#include <optional>
#include <string_view>

#include "finding.hpp"

namespace fitinfo {

class TextCursor {
public:
    explicit TextCursor(std::span<const std::uint8_t> text) : text_(text) {}

    [[nodiscard]] std::size_t at() const { return at_; }
    [[nodiscard]] bool at_end() const { return at_ == text_.size(); }
    [[nodiscard]] bool next_is(char c) const { return !at_end() && text_[at_] == static_cast<std::uint8_t>(c); }

    // Each names what it reads as `what` in its fault; the callers add where it stands
    // only when there is a fault, since long texts are read item by item.

    // The exact characters of `expected`.
    std::optional<media::FormatError> literal(std::string_view expected, std::string_view what);
    // A decimal number of at most `largest`, without leading zeros.
    media::Checked<unsigned> decimal(unsigned largest, std::string_view what);
    // Two upper-case hexadecimal digits.
    media::Checked<std::uint8_t> hex_byte(std::string_view what);
    // Nothing may follow.
    std::optional<media::FormatError> end(std::string_view what);

private:
    [[nodiscard]] std::string found_here(std::size_t n) const;

    std::span<const std::uint8_t> text_;
    std::size_t at_ = 0;
};

}  // namespace fitinfo
