// Reads TAV pictures back, written from the format alone, so that tests can check
// what the encoders and the writer produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fit_test {

struct DecodedTav {
    std::vector<std::uint8_t> colours;  // one a pixel, in stream order
    std::string error;                  // empty when the stream is sound
    // Departures from the encoder's one way of coding a picture, each a byte-level
    // difference even where the picture decodes the same:
    int unjoined_markers = 0;  // a marker right after the groups of a marker not full
    int uniform_literals = 0;  // a literal group of one colour, which a run would cover
    int split_runs = 0;        // a run byte after one of its colour that is below the longest

    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Decodes a stream of `pixels` pixels; colour mode has 8-pixel groups of 3 planes,
// two-colour mode 16-pixel groups of an even and an odd byte.
inline DecodedTav decode_tav_stream(std::span<const std::uint8_t> stream, bool colour_mode,
                                    std::size_t pixels) {
    const std::size_t group = colour_mode ? 8 : 16;
    const unsigned colour_bits = colour_mode ? 3 : 1;
    const std::size_t literal_bytes = colour_mode ? 3 : 2;
    const unsigned longest = colour_mode ? 16 : 64;

    DecodedTav d;
    enum class Item { none, run, literals, full_literals } previous = Item::none;
    int short_run_colour = -1;  // the colour of a run byte just before, below the longest
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::uint8_t first = stream[at++];
        if ((first & 0x80) == 0) {
            const unsigned groups = (first >> colour_bits) + 1U;
            const auto colour = static_cast<std::uint8_t>(first & ((1U << colour_bits) - 1));
            if (previous == Item::run && short_run_colour == colour) ++d.split_runs;
            d.colours.insert(d.colours.end(), groups * group, colour);
            previous = Item::run;
            short_run_colour = groups == longest ? -1 : colour;
            continue;
        }
        const std::size_t count = (first & 0x7FU) + 1;
        if (previous == Item::literals) ++d.unjoined_markers;
        for (std::size_t g = 0; g < count; ++g) {
            if (stream.size() - at < literal_bytes) {
                d.error = "literal group cut short at byte " + std::to_string(at);
                return d;
            }
            const std::uint8_t* bytes = stream.data() + at;
            at += literal_bytes;
            const std::size_t start = d.colours.size();
            for (std::size_t i = 0; i < group; ++i) {
                std::uint8_t c = 0;
                if (colour_mode) {
                    const unsigned shift = 7 - static_cast<unsigned>(i);
                    c = static_cast<std::uint8_t>((bytes[0] >> shift & 1) << 2 |
                                                  (bytes[1] >> shift & 1) << 1 |
                                                  (bytes[2] >> shift & 1));
                } else {
                    const unsigned shift = 7 - static_cast<unsigned>(i / 2);
                    c = static_cast<std::uint8_t>(bytes[i % 2] >> shift & 1);
                }
                d.colours.push_back(c);
            }
            bool uniform = true;
            for (std::size_t i = start; i < d.colours.size(); ++i)
                uniform = uniform && d.colours[i] == d.colours[start];
            if (uniform) ++d.uniform_literals;
        }
        previous = count == 128 ? Item::full_literals : Item::literals;
    }
    if (d.colours.size() != pixels)
        d.error = "stream holds " + std::to_string(d.colours.size()) + " pixels, not " +
                  std::to_string(pixels);
    return d;
}

// The fields of a TAV file's 10-byte header, and the stream after it.
struct TavFile {
    int width_groups = 0;
    int height = 0;
    std::size_t length = 0;
    bool colour_mode = false;
    std::vector<std::uint8_t> stream;
};

// Nothing when the magic, version or reserved byte is wrong, or the file is not
// exactly its header and the stream length it gives.
inline std::optional<TavFile> parse_tav_file(std::span<const std::uint8_t> file) {
    if (file.size() < 10 || file[0] != 'T' || file[1] != 'A' || file[2] != 'V' || file[3] != 1 ||
        file[9] != 0 || file[8] > 1)
        return std::nullopt;
    TavFile t;
    t.width_groups = file[4];
    t.height = file[5];
    t.length = static_cast<std::size_t>(file[6]) << 8 | file[7];
    t.colour_mode = file[8] == 1;
    if (file.size() != 10 + t.length) return std::nullopt;
    t.stream.assign(file.begin() + 10, file.end());
    return t;
}

}  // namespace fit_test
