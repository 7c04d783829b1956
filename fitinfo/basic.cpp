#include "basic.hpp"

#include <algorithm>

#include "text_cursor.hpp"

namespace fitinfo {

namespace {
constexpr unsigned kLowest = 0xC380;
constexpr unsigned kAbove = 0xC7FF;  // the code ends below it
constexpr std::size_t kValuesPerLine = 16;
constexpr std::string_view kLastStatement =
    " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";
}  // namespace

Checked read_basic(std::span<const std::uint8_t> text) {
    using media::FormatError;
    TextCursor cursor(text);
    if (auto error = cursor.literal(kBasicFirstLine, "line 100")) return *error;
    const std::size_t load_at = cursor.at();
    const auto load = cursor.decimal(0xFFFF, "load address in line 100");
    if (!load) return load.error();
    if (auto error = cursor.literal(",", "line 100")) return *error;
    const std::size_t count_at = cursor.at();
    const auto count = cursor.decimal(0xFFFF, "byte count in line 100");
    if (!count) return count.error();
    if (auto error = cursor.literal("\r\n", "end of line 100")) return *error;
    if (*load < kLowest || *load > kAbove)
        return FormatError{load_at, "load address in line 100",
                           std::to_string(kLowest) + " to " + std::to_string(kAbove) +
                               " (0xC380 to 0xC7FF)",
                           std::to_string(*load)};
    if (*count == 0 || *load + *count > kAbove)
        return FormatError{count_at, "byte count in line 100",
                           "1 to " + std::to_string(kAbove - *load) + " (the code ends below 0xC7FF)",
                           std::to_string(*count)};

    Bytes code;
    unsigned line = 110;
    const auto in_line = [&](media::FormatError error) {
        error.what += " (line " + std::to_string(line) + ")";
        return error;
    };
    while (code.size() < *count) {
        if (auto error = cursor.literal(std::to_string(line) + " DATA ", "line number and DATA"))
            return in_line(*error);
        const std::size_t values = std::min(kValuesPerLine, *count - code.size());
        for (std::size_t v = 0; v < values; ++v) {
            const auto value = cursor.decimal(255, "byte value");
            if (!value) return in_line(value.error());
            code.push_back(static_cast<std::uint8_t>(*value));
            if (v + 1 < values)
                if (auto error = cursor.literal(",", "comma between the values"))
                    return in_line(*error);
        }
        if (auto error = cursor.literal("\r\n", "end of line")) return in_line(*error);
        line += 10;
    }
    if (auto error = cursor.literal(std::to_string(line) + std::string(kLastStatement),
                                    "last line, which pokes the code and calls it"))
        return in_line(*error);
    if (auto error = cursor.end("text after the last line")) return *error;

    Finding finding;
    finding.kind = "BASIC DATA loader program";
    finding.details = {
        "text: " + bytes_text(text.size()) + ", lines 100 to " + std::to_string(line) + " (" +
            std::to_string((line - 100) / 10 - 1) + " of bytes)",
        "load and entry address: " + media::hex16(*load) + " (" + std::to_string(*load) + ")",
        "code: " + bytes_text(code.size()),
    };
    finding.payload = std::move(code);
    return finding;
}

}  // namespace fitinfo
