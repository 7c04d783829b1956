#include "tav.hpp"

#include <array>
#include <optional>

namespace fitinfo {

namespace {

using media::FormatError;

constexpr std::array<std::uint8_t, 4> kMagic{'T', 'A', 'V', 0x01};

struct Mode {
    std::size_t group;        // pixels a group
    std::size_t group_bytes;  // bytes of a literal group
    unsigned count_shift;     // where a run byte's count starts
    std::uint8_t colour_mask;
};
constexpr Mode kColour{8, 3, 3, 0x07};
constexpr Mode kTwoColour{16, 2, 1, 0x01};

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
            if (item & 0x80) {
                const std::size_t count = (item & 0x7Fu) + 1;
                if (auto error = room(at, count, "literal marker")) return *error;
                const std::size_t bytes = count * mode_.group_bytes;
                if (at + 1 + bytes > stream_.size())
                    return FormatError{base_ + at,
                                       "literal marker (" + std::to_string(count) + " groups)",
                                       bytes_text(bytes) + " of groups after it",
                                       bytes_text(stream_.size() - at - 1) +
                                           " to the end of the stream"};
                ++literals_;
                for (std::size_t g = 0; g < count; ++g)
                    literal(stream_.subspan(at + 1 + g * mode_.group_bytes, mode_.group_bytes));
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
            if (mode_.group_bytes == 3) {
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
    const Mode& mode = colour ? kColour : kTwoColour;
    StreamDecoder decoder(stream, mode, width_groups * rows, base);
    auto pixels = decoder.run();
    if (!pixels) return pixels.error();
    return Picture{width_groups * mode.group, rows, colour, std::move(pixels).value()};
}

std::size_t tav_signature_differences(std::span<const std::uint8_t> file) {
    return differences(file, kMagic);
}

Checked read_tav(std::span<const std::uint8_t> file) {
    if (file.size() < kTavHeaderSize)
        return FormatError{file.size(), "TAV header", bytes_text(kTavHeaderSize),
                           bytes_text(file.size())};
    static constexpr const char* kMagicNames[] = {"magic 'T'", "magic 'A'", "magic 'V'", "version"};
    for (std::size_t k = 0; k < kMagic.size(); ++k)
        if (file[k] != kMagic[k]) return media::byte_error(k, kMagicNames[k], kMagic[k], file[k]);
    const std::size_t width_groups = file[4];
    const std::size_t rows = file[5];
    const std::size_t length = static_cast<std::size_t>(file[6]) << 8 | file[7];
    const std::uint8_t mode = file[8];
    if (mode > 1)
        return FormatError{8, "mode", "0x00 (two colours) or 0x01 (colour)", media::hex8(mode)};
    if (file[9] != 0) return media::byte_error(9, "reserved byte", 0, file[9]);
    if (width_groups == 0 || width_groups > kTavWidestGroups)
        return FormatError{4, "width in pixel groups", "1 to 40", std::to_string(width_groups)};
    if (rows == 0 || rows > kTavHighest)
        return FormatError{5, "height in rows", "1 to 250", std::to_string(rows)};

    const bool colour = mode == 1;
    const auto all = file.subspan(kTavHeaderSize);
    if (all.size() != length) {
        // When what the file holds decodes to the whole picture, the length field is
        // what is wrong.
        if (all.size() <= 0xFFFF && decode_tav_stream(all, colour, width_groups, rows, kTavHeaderSize))
            return media::word_error(6, true, "stream length (the stream in the file)",
                                     static_cast<unsigned>(all.size()),
                                     static_cast<unsigned>(length));
        return FormatError{std::min(file.size(), kTavHeaderSize + length),
                           "file length (10 + stream length " + std::to_string(length) + ")",
                           bytes_text(kTavHeaderSize + length), bytes_text(file.size())};
    }
    const Mode& m = colour ? kColour : kTwoColour;
    StreamDecoder decoder(all, m, width_groups * rows, kTavHeaderSize);
    auto pixels = decoder.run();
    if (!pixels) return pixels.error();

    Finding finding;
    finding.kind = "TAV picture";
    const std::size_t width = width_groups * m.group;
    finding.details = {
        "picture: " + std::to_string(width) + " × " + std::to_string(rows) + " pixels, " +
            (colour ? "colour mode (8 colours)" : "two-colour mode"),
        "width: " + std::to_string(width_groups) + " groups of " + std::to_string(m.group) +
            " pixels a row",
        "stream: " + bytes_text(length) + ", " + std::to_string(decoder.runs()) + " run bytes, " +
            std::to_string(decoder.literals()) + " literal markers, " +
            std::to_string(width_groups * rows) + " groups in all",
        "file: " + bytes_text(file.size()),
    };
    finding.picture = Picture{width, rows, colour, std::move(pixels).value()};
    return finding;
}

}  // namespace fitinfo
