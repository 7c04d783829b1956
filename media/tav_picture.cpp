#include "tav_picture.hpp"
#include "byte_order.hpp"

#include <string>

#include "format_error.hpp"

namespace media {

namespace tav {

namespace {

class StreamDecoder {
public:
    StreamDecoder(std::span<const std::uint8_t> stream, const ModeFacts& mode, std::size_t groups,
                  std::size_t base)
        : stream_(stream), mode_(mode), groups_(groups), base_(base) {}

    Checked<std::vector<std::uint8_t>> run() {
        pixels_.reserve(groups_ * mode_.group);
        std::size_t at = 0;
        while (at < stream_.size()) {
            const std::uint8_t item = stream_[at];
            if (item & kLiteralMarker) {
                const std::size_t count = item - kLiteralMarker + 1u;
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
    const ModeFacts& mode_;
    std::size_t groups_;
    std::size_t base_;
    std::vector<std::uint8_t> pixels_;
    std::size_t runs_ = 0;
    std::size_t literals_ = 0;
};

}  // namespace

Checked<DecodedStream> decode_stream(std::span<const std::uint8_t> stream, bool colour,
                                     std::size_t groups, std::size_t base) {
    StreamDecoder decoder(stream, mode_facts(colour), groups, base);
    auto pixels = decoder.run();
    if (!pixels) return pixels.error();
    return DecodedStream{std::move(pixels).value(), decoder.runs(), decoder.literals()};
}

}  // namespace tav

std::optional<Picture> decode_tav(std::span<const std::uint8_t> file) {
    using namespace tav;
    if (file.size() < kHeaderSize || !std::equal(kMagic.begin(), kMagic.end(), file.begin()))
        return std::nullopt;
    const std::uint8_t mode = file[kModeAt];
    if (mode != kTwoColourMode && mode != kColourMode) return std::nullopt;
    const bool colour = mode == kColourMode;
    const ModeFacts& facts = mode_facts(colour);
    const std::size_t length = high_byte_first(file, kLengthAt);
    const std::span<const std::uint8_t> stream = file.subspan(kHeaderSize);
    if (stream.size() != length) return std::nullopt;

    auto decoded = decode_stream(stream, colour, std::size_t{file[kWidthAt]} * file[kHeightAt], kHeaderSize);
    if (!decoded) return std::nullopt;
    return Picture{file[kWidthAt] * facts.group, file[kHeightAt], colour, std::move(decoded).value().pixels};
}

}  // namespace media
