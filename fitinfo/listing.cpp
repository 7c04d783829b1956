#include "listing.hpp"

#include "text_cursor.hpp"

namespace fitinfo {

namespace {
constexpr std::size_t kItemsPerLine = 16;

media::FormatError in_line(media::FormatError error, std::size_t line, std::size_t items) {
    error.what += " (line " + std::to_string(line) + ", after " + std::to_string(items) +
                  (items == 1 ? " item)" : " items)");
    return error;
}
}  // namespace

Checked read_listing(std::span<const std::uint8_t> text) {
    TextCursor cursor(text);
    if (auto error = cursor.literal("\r\n", "empty first line")) return *error;
    Bytes data;
    std::size_t line = 1;
    do {
        ++line;
        std::size_t items = 0;
        if (auto error = cursor.literal("\t.byte ", "directive")) return in_line(*error, line, items);
        for (;;) {
            if (auto error = cursor.literal("$", "item")) return in_line(*error, line, items);
            const auto value = cursor.hex_byte("item");
            if (!value) return in_line(value.error(), line, items);
            data.push_back(*value);
            ++items;
            if (items == kItemsPerLine || !cursor.next_is(',')) break;
            cursor.literal(",", "item");
        }
        if (auto error = cursor.literal("\r\n", "end of line")) return in_line(*error, line, items);
        if (items < kItemsPerLine)
            if (auto error = cursor.end("text after a line of fewer than 16 items"))
                return in_line(*error, line, items);
    } while (!cursor.at_end());

    Finding finding;
    finding.kind = "assembler listing";
    finding.details = {
        "text: " + bytes_text(text.size()) + ", " + std::to_string(line - 1) +
            (line == 2 ? " .byte line" : " .byte lines"),
        "data: " + bytes_text(data.size()),
    };
    finding.payload = std::move(data);
    return finding;
}

}  // namespace fitinfo
