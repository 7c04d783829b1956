#include "kinds.hpp"

#include <array>
#include <optional>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/byte_order.hpp"
#include "recognise.hpp"

namespace fitinfo {

namespace {

using media::FormatError;

using media::tav::kMagic;
using Mode = media::tav::ModeFacts;


}  // namespace

std::size_t tav_signature_differences(std::span<const std::uint8_t> file) {
    return differences(file, kMagic);
}

media::Checked<TavFile> read_tav(std::span<const std::uint8_t> file) {
    using namespace media::tav;
    if (file.size() < kHeaderSize)
        return FormatError{file.size(), "TAV header", bytes_text(kHeaderSize),
                           bytes_text(file.size())};
    static constexpr const char* kMagicNames[] = {"magic 'T'", "magic 'A'", "magic 'V'", "version"};
    for (std::size_t k = 0; k < kMagic.size(); ++k)
        if (file[k] != kMagic[k]) return media::byte_error(k, kMagicNames[k], kMagic[k], file[k]);
    const std::size_t width_groups = file[kWidthAt];
    const std::size_t rows = file[kHeightAt];
    const std::size_t length = media::high_byte_first(file, kLengthAt);
    const std::uint8_t mode = file[kModeAt];
    if (mode != kTwoColourMode && mode != kColourMode)
        return FormatError{kModeAt, "mode", "0x00 (two colours) or 0x01 (colour)", media::hex8(mode)};
    if (file[kReservedAt] != 0) return media::byte_error(kReservedAt, "reserved byte", 0, file[kReservedAt]);
    if (width_groups == 0 || width_groups > kWidestGroups)
        return FormatError{kWidthAt, "width in pixel groups", "1 to " + std::to_string(kWidestGroups),
                           std::to_string(width_groups)};
    if (rows == 0 || rows > kHighest)
        return FormatError{kHeightAt, "height in rows", "1 to " + std::to_string(kHighest),
                           std::to_string(rows)};

    const bool colour = mode == kColourMode;
    const auto all = file.subspan(kHeaderSize);
    if (all.size() != length) {
        // When what the file holds decodes to the whole picture, the length field is
        // what is wrong.
        if (all.size() <= 0xFFFF && media::tav::decode_stream(all, colour, width_groups * rows, kHeaderSize))
            return media::word_error(kLengthAt, true, "stream length (the stream in the file)",
                                     static_cast<unsigned>(all.size()),
                                     static_cast<unsigned>(length));
        return FormatError{std::min(file.size(), kHeaderSize + length),
                           "file length (10 + stream length " + std::to_string(length) + ")",
                           bytes_text(kHeaderSize + length), bytes_text(file.size())};
    }
    const Mode& m = mode_facts(colour);
    auto decoded = media::tav::decode_stream(all, colour, width_groups * rows, kHeaderSize);
    if (!decoded) return decoded.error();
    return TavFile{width_groups, length, file.size(), decoded->runs, decoded->literals,
                   Picture{width_groups * m.group, rows, colour, std::move(decoded).value().pixels}};
}

Finding describe(TavFile tav) {
    const Picture& picture = tav.picture;
    Finding finding;
    finding.kind = kind_name::kTav;
    finding.details = {
        "picture: " + std::to_string(picture.width) + " × " + std::to_string(picture.height) +
            " pixels, " + (picture.colour ? "colour mode (8 colours)" : "two-colour mode"),
        "width: " + std::to_string(tav.width_groups) + " groups of " +
            std::to_string(media::tav::mode_facts(picture.colour).group) + " pixels a row",
        "stream: " + bytes_text(tav.length) + ", " + std::to_string(tav.runs) + " run bytes, " +
            std::to_string(tav.literals) + " literal markers, " +
            std::to_string(tav.width_groups * picture.height) + " groups in all",
        "file: " + bytes_text(tav.file_size),
    };
    finding.picture = tav.picture;
    finding.parsed = std::move(tav);
    return finding;
}

void write_json(JsonWriter& json, const TavFile& f) {
    member(json, "width_groups", f.width_groups);
    member(json, "stream_length", f.length);
    member(json, "file_size", f.file_size);
    member(json, "runs", f.runs);
    member(json, "literals", f.literals);
    member(json, "width", f.picture.width);
    member(json, "height", f.picture.height);
    json.key("colour").boolean(f.picture.colour);
}

Inspection inspect_tav(Span file, const InspectOptions&) {
    return inspected(kind_name::kTav, described(read_tav(file)));
}

}  // namespace fitinfo
