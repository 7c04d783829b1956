// What a reader reports about a file that breaks a rule of its format: where, which
// field or rule, what the format wants there and what the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace media {

struct FormatError {
    std::size_t offset = 0;  // from the start of the file
    std::string what;        // the field or the rule
    std::string expected;
    std::string found;
};

// "offset 15 (0x000F): NbAu: expected 0x02, found 0x01"
std::string describe(const FormatError& error);

// The value a reader made of a file, or the first rule the file broke.
template <typename T>
class Checked {
public:
    Checked(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Checked(FormatError error) : state_(std::in_place_index<1>, std::move(error)) {}

    [[nodiscard]] bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
    [[nodiscard]] T& value() & { return std::get<0>(state_); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
    const T* operator->() const { return &value(); }
    const T& operator*() const { return value(); }

    [[nodiscard]] const FormatError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, FormatError> state_;
};

// Upper-case hexadecimal with a 0x prefix: hex8(0x7A) "0x7A", hex16(0x1000) "0x1000".
std::string hex8(unsigned value);
std::string hex16(unsigned value);

// "1 byte", "300 bytes".
std::string bytes_text(std::size_t n);

// The byte at `offset` must be `expected`; names it `what` otherwise.
FormatError byte_error(std::size_t offset, std::string what, std::uint8_t expected,
                       std::uint8_t found);

// A 16-bit field stored in two bytes at `offset`, high byte first or low byte first,
// must hold `expected`: names the first of its bytes that differs.
FormatError word_error(std::size_t offset, bool high_first, std::string what, unsigned expected,
                       unsigned found);

}  // namespace media
