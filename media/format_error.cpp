#include "format_error.hpp"

#include <cstdio>

namespace media {

namespace {
std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}
}  // namespace

std::string hex8(unsigned value) { return hex(value & 0xFF, 2); }
std::string hex16(unsigned value) { return hex(value & 0xFFFF, 4); }

std::string bytes_text(std::size_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

std::string describe(const FormatError& error) {
    char where[48];
    std::snprintf(where, sizeof where, "offset %zu (0x%04zX): ", error.offset, error.offset);
    return where + error.what + ": expected " + error.expected + ", found " + error.found;
}

FormatError byte_error(std::size_t offset, std::string what, std::uint8_t expected,
                       std::uint8_t found) {
    return {offset, std::move(what), hex8(expected), hex8(found)};
}

FormatError word_error(std::size_t offset, bool high_first, std::string what, unsigned expected,
                       unsigned found) {
    const bool high_differs = ((expected ^ found) & 0xFF00) != 0;
    const bool low_differs = ((expected ^ found) & 0x00FF) != 0;
    // The byte that comes first in the file and differs.
    const bool blame_high = high_first ? high_differs || !low_differs : !low_differs;
    const std::size_t at = offset + (blame_high == high_first ? 0 : 1);
    return {at, std::move(what), hex16(expected), hex16(found)};
}

}  // namespace media
