#include "kinds.hpp"

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/byte_listing.hpp"
#include "recognise.hpp"
#include "text_cursor.hpp"

namespace fitinfo {

namespace {

media::FormatError in_line(media::FormatError error, std::size_t line, std::size_t items) {
    error.what += " (line " + std::to_string(line) + ", after " + std::to_string(items) +
                  (items == 1 ? " item)" : " items)");
    return error;
}

}  // namespace

media::Checked<Listing> read_listing(std::span<const std::uint8_t> text) {
    using media::kListingItemsPerLine;
    using media::kListingLineEnd;
    TextCursor cursor(text);
    if (auto error = cursor.literal(kListingLineEnd, "empty first line")) return *error;
    Bytes data;
    std::size_t line = 1;
    do {
        ++line;
        std::size_t items = 0;
        if (auto error = cursor.literal(media::kListingDirective, "directive"))
            return in_line(*error, line, items);
        for (;;) {
            if (auto error = cursor.literal("$", "item")) return in_line(*error, line, items);
            const auto value = cursor.hex_byte("item");
            if (!value) return in_line(value.error(), line, items);
            data.push_back(*value);
            ++items;
            if (items == kListingItemsPerLine || !cursor.next_is(',')) break;
            cursor.literal(",", "item");
        }
        if (auto error = cursor.literal(kListingLineEnd, "end of line"))
            return in_line(*error, line, items);
        if (items < kListingItemsPerLine)
            if (auto error = cursor.end("text after a line of fewer than 16 items"))
                return in_line(*error, line, items);
    } while (!cursor.at_end());

    Listing listing;
    listing.text_size = text.size();
    listing.lines = line - 1;
    listing.data = std::move(data);
    return listing;
}

Finding describe(Listing listing) {
    std::vector<std::string> details{
        "text: " + bytes_text(listing.text_size) + ", " + std::to_string(listing.lines) +
            (listing.lines == 1 ? " .byte line" : " .byte lines"),
        "data: " + bytes_text(listing.data.size()),
    };
    return found(kind_name::kListing, std::move(details), std::move(listing), &Listing::data);
}

void write_json(JsonWriter& json, const Listing& f) {
    member(json, "text_size", f.text_size);
    member(json, "lines", f.lines);
    member(json, "data_size", f.data.size());
}

Inspection inspect_listing(Span file, const InspectOptions&) {
    return inspected(kind_name::kListing, described(read_listing(file)));
}

}  // namespace fitinfo
