#include "tav.hpp"

#include <array>
#include <optional>

namespace fitinfo {

namespace {

using media::FormatError;

using media::tav::kMagic;
using Mode = media::tav::ModeFacts;

class StreamDecoder {
public:
    StreamDecoder(std::span<const std::uint8_t> stream, const Mode& mode, std::size_t groups,
                  std::size_t base)
        : stream_(stream), mode_(mode), groups_(groups), base_(base) {}

    media::Checked<Bytes> run() {
        pixels_.reserve(groups_ * mode_.group);
        std::size_t at = 0;
        while (at < stream_.size()) {
            const std::uint8_t item = stream_[at];
            if (item & media::tav::kLiteralMarker) {
                const std::size_t count = item - media::tav::kLiteralMarker + 1u;
                if (auto error = room(at, count, "literal marker")) return *error;
                const std::size_t bytes = count * mode_.literal_bytes;
                if (at + 1 + bytes > stream_.size())
                    return FormatError{base_ + at,
                                       "literal marker (" + std::to_string(count) + " groups)",
                                       bytes_text(bytes) + " of groups after it",
                                       bytes_text(stream_.size() - at - 1) +
                                           " to the end of the stream"};
                ++literals_;
                for (std::size_t g = 0; g < count; ++g)
                    literal(stream_.subspan(at + 1 + g * mode_.literal_bytes, mode_.literal_bytes));
                at += 1 + bytes;
            } else {
                const std::size_t count = (item >> mode_.count_shift) + 1u;
                if (auto error = room(at, count, "run byte")) return *error;
                ++runs_;
                pixels_.insert(pixels_.end(), count * mode_.group,
                               static_cast<std::uint8_t>(item & mode_.colour_mask));
                ++at;
            }
        }
        if (pixels_.size() != groups_ * mode_.group)
            return FormatError{base_ + stream_.size(), "end of the stream",
                               std::to_string(groups_) + " pixel groups",
                               std::to_string(pixels_.size() / mode_.group)};
        return std::move(pixels_);
    }

    [[nodiscard]] std::size_t runs() const { return runs_; }
    [[nodiscard]] std::size_t literals() const { return literals_; }

private:
    std::optional<FormatError> room(std::size_t at, std::size_t count, const char* what) {
        const std::size_t done = pixels_.size() / mode_.group;
        if (done + count <= groups_) return std::nullopt;
        return FormatError{base_ + at,
                           std::string(what) + " (" + std::to_string(count) + " groups from group " +
                               std::to_string(done + 1) + ")",
                           done == groups_ ? "the end of the stream after all " +
                                                 std::to_string(groups_) + " groups"
                                           : "at most " + std::to_string(groups_ - done) + " groups",
                           std::to_string(count) + " groups"};
    }

    // Colour: three bit planes, blue, green, red, pixel 0 in bit 7. Two colours: the
    // even pixels in the first byte, the odd in the second, pixel 0 in bit 7.
    void literal(std::span<const std::uint8_t> group) {
        for (std::size_t p = 0; p < mode_.group; ++p) {
            if (mode_.literal_bytes == 3) {
                const unsigned bit = 7 - static_cast<unsigned>(p);
                pixels_.push_back(static_cast<std::uint8_t>(
                    ((group[0] >> bit) & 1) << 2 | ((group[1] >> bit) & 1) << 1 |
                    ((group[2] >> bit) & 1)));
            } else {
                const unsigned bit = 7 - static_cast<unsigned>(p / 2);
                pixels_.push_back(static_cast<std::uint8_t>((group[p % 2] >> bit) & 1));
            }
        }
    }

    std::span<const std::uint8_t> stream_;
    const Mode& mode_;
    std::size_t groups_;
    std::size_t base_;
    Bytes pixels_;
    std::size_t runs_ = 0;
    std::size_t literals_ = 0;
};

}  // namespace

media::Checked<Picture> decode_tav_stream(std::span<const std::uint8_t> stream, bool colour,
                                          std::size_t width_groups, std::size_t rows,
                                          std::size_t base) {
    const Mode& mode = media::tav::mode_facts(colour);
    StreamDecoder decoder(stream, mode, width_groups * rows, base);
    auto pixels = decoder.run();
    if (!pixels) return pixels.error();
    return Picture{width_groups * mode.group, rows, colour, std::move(pixels).value()};
}

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
    const std::size_t length = static_cast<std::size_t>(file[kLengthAt]) << 8 | file[kLengthAt + 1];
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
        if (all.size() <= 0xFFFF && decode_tav_stream(all, colour, width_groups, rows, kHeaderSize))
            return media::word_error(kLengthAt, true, "stream length (the stream in the file)",
                                     static_cast<unsigned>(all.size()),
                                     static_cast<unsigned>(length));
        return FormatError{std::min(file.size(), kHeaderSize + length),
                           "file length (10 + stream length " + std::to_string(length) + ")",
                           bytes_text(kHeaderSize + length), bytes_text(file.size())};
    }
    const Mode& m = mode_facts(colour);
    StreamDecoder decoder(all, m, width_groups * rows, kHeaderSize);
    auto pixels = decoder.run();
    if (!pixels) return pixels.error();
    return TavFile{width_groups, length, file.size(), decoder.runs(), decoder.literals(),
                   Picture{width_groups * m.group, rows, colour, std::move(pixels).value()}};
}

Finding describe(TavFile tav) {
    const Picture& picture = tav.picture;
    Finding finding;
    finding.kind = "TAV picture";
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

}  // namespace fitinfo
