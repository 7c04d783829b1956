#include "listing.hpp"

#include "text_cursor.hpp"

namespace fitinfo {

namespace {
constexpr std::size_t kItemsPerLine = 16;
}

Checked read_listing(std::span<const std::uint8_t> text) {
    TextCursor cursor(text);
    if (auto error = cursor.literal("\r\n", "empty first line")) return *error;
    Bytes data;
    std::size_t line = 1;
    do {
        ++line;
        const std::string name = "line " + std::to_string(line);
        if (auto error = cursor.literal("\t.byte ", name)) return *error;
        std::size_t items = 0;
        for (;;) {
            if (auto error = cursor.literal("$", "item " + std::to_string(items + 1) + " of " + name))
                return *error;
            const auto value = cursor.hex_byte("item " + std::to_string(items + 1) + " of " + name);
            if (!value) return value.error();
            data.push_back(*value);
            ++items;
            if (items == kItemsPerLine || !cursor.next_is(',')) break;
            if (auto error = cursor.literal(",", name)) return *error;
        }
        if (auto error = cursor.literal("\r\n", "end of " + name + " (" + std::to_string(items) +
                                                    (items == 1 ? " item)" : " items)")))
            return *error;
        if (items < kItemsPerLine)
            if (auto error = cursor.end("text after " + name + ", which holds fewer than 16 items"))
                return *error;
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
