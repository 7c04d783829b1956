// What fitinfo makes of one file: its kind, a short readable summary, and the payload
// that -x extracts (the code or data bytes, or the picture of a TAV file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "media/disk_container.hpp"
#include "media/format_error.hpp"
#include "media/png_preview.hpp"
#include "kinds.hpp"

namespace fitinfo {

using media::Picture;

struct Finding {
    std::string kind;
    std::vector<std::string> details;  // one summary line each
    Bytes payload;                     // what -x writes, unless there is a picture
    std::optional<Picture> picture;
    Parsed parsed;                     // what the summary and the payload were made from
};

using Checked = media::Checked<Finding>;

// The finding of a kind: `-x` writes the bytes `payload` names in its parsed struct.
template <typename T>
Finding found(std::string_view kind, std::vector<std::string> details, T parsed,
              Bytes T::*payload) {
    Finding finding{std::string(kind), std::move(details), parsed.*payload, std::nullopt, {}};
    finding.parsed = std::move(parsed);
    return finding;
}

// A reader's result made into a finding by the describe() of its kind.
template <typename T>
Checked described(media::Checked<T> read) {
    if (!read) return read.error();
    return describe(std::move(read).value());
}

// Summary helpers.
using media::bytes_text;                                 // "1 byte", "300 bytes"
std::string char_text(std::uint8_t c);                   // "'B'" or "0x00"
std::string quoted(std::span<const std::uint8_t> text);  // "\"110 DATA \"", escapes shown as \r \n \t \xNN
std::string quoted(std::string_view text);
// Piece sizes with repeats folded: "10, 9 × 100, 90".
std::string sizes_text(std::span<const std::size_t> sizes);

Container container_of(const media::DiskFile& disk);
// "disk file: 2 records, longest 256 bytes declared, 1 allocation unit, 1024 bytes"
std::string container_text(const Container& container);

}  // namespace fitinfo
