#include "encoder.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "common/allocation.hpp"

namespace picfit {

namespace {

static_assert(std::endian::native == std::endian::little, "eight pixels are read as one word");

std::uint64_t load8(const std::uint8_t* p) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, sizeof w);
    return w;
}

constexpr std::uint64_t kEachByte = 0x0101010101010101ull;

// Bit `bit` of each of the eight bytes of w (the first pixel in the lowest byte), the
// first byte's in bit 7. Each bit's product lands on a place of its own, so nothing
// carries into the top byte.
constexpr std::uint8_t gather(std::uint64_t w, unsigned bit) {
    const std::uint64_t bits = w >> bit & kEachByte;
    return static_cast<std::uint8_t>((bits * 0x8040201008040201ull) >> 56);
}

// What sets the two encoders apart: the pixel group, the longest run, the run byte's
// fields and the layout of a literal group.
template <const media::tav::ModeFacts& mode, std::uint8_t flag>
struct SchemeFacts {
    static constexpr std::size_t kGroup = mode.group;
    static constexpr std::size_t kLongestRun = mode.longest_run() * kGroup;
    static constexpr std::uint8_t kColourMask = mode.colour_mask;
    static constexpr unsigned kCountShift = mode.count_shift;
    static constexpr std::size_t kLiteralBytes = mode.literal_bytes;
    static constexpr std::uint8_t kFlag = flag;
};

struct ColourScheme : SchemeFacts<media::tav::kColour, kColour> {

    // One bit of each pixel a plane: blue (bit 2), green (bit 1), red (bit 0).
    static std::array<std::uint8_t, kLiteralBytes> planes(const std::uint8_t* group) {
        const std::uint64_t pixels = load8(group);
        return {gather(pixels, 2), gather(pixels, 1), gather(pixels, 0)};
    }
};

struct TwoColourScheme : SchemeFacts<media::tav::kTwoColour, kTwoColour> {

    // Even pixels go to the first byte, odd pixels to the second.
    static std::array<std::uint8_t, kLiteralBytes> planes(const std::uint8_t* group) {
        const std::uint64_t first = load8(group);
        const std::uint64_t second = load8(group + 8);
        return {gather(evens(first) | evens(second) << 32, 0),
                gather(evens(first >> 8) | evens(second >> 8) << 32, 0)};
    }

    // The bytes 0, 2, 4 and 6 of w, moved together into its low half.
    static constexpr std::uint64_t evens(std::uint64_t w) {
        w &= 0x00FF00FF00FF00FFull;
        w = (w | w >> 8) & 0x0000FFFF0000FFFFull;
        return (w | w >> 16) & 0x00000000FFFFFFFFull;
    }
};

constexpr std::uint8_t kMarker = media::tav::kLiteralMarker;
constexpr std::uint8_t kFullMarker = kMarker + (media::tav::kLongestLiteral - 1);

template <class Scheme>
class Encoder {
public:
    Encoder(std::span<const std::uint8_t> pixels, std::vector<std::uint8_t>& stream)
        : pixels_(pixels), stream_(stream) {}

    // One pass, every pixel read once. A run starts on a group boundary and takes the
    // pixels of its colour up to the longest run; its whole groups become a run byte.
    // When another colour ends it inside a group, that group becomes a literal group;
    // when it ends on a group boundary, the other colour starts the next run.
    void run() {
        bool carried = false;  // the next run's first pixel has been read already
        std::uint8_t val = 0;  // the pixel just read
        while (carried || next_ < pixels_.size()) {
            const std::uint8_t last = carried ? val : read();
            carried = false;
            std::size_t count = 1;
            bool ended_by_other = false;
            const std::uint64_t run_of_last = last * kEachByte;
            while (count < Scheme::kLongestRun && next_ < pixels_.size()) {
                // Eight pixels of the run's colour at once, where the run has room.
                if (Scheme::kLongestRun - count >= 8 && pixels_.size() - next_ >= 8 &&
                    (load8(pixels_.data() + next_) & kEachByte * Scheme::kColourMask) == run_of_last) {
                    next_ += 8;
                    count += 8;
                    continue;
                }
                val = read();
                if (val != last) {
                    ended_by_other = true;
                    break;
                }
                ++count;
            }
            const std::size_t groups = count / Scheme::kGroup;
            if (groups != 0) {
                stream_.push_back(
                    static_cast<std::uint8_t>((groups - 1) << Scheme::kCountShift | last));
                marker_ = kNone;
            }
            if (!ended_by_other) continue;
            const std::size_t rest = count % Scheme::kGroup;
            if (rest == 0) {
                carried = true;
                continue;
            }
            // The rest of the run, the pixel that ended it and the rest of its group:
            // the whole group in which the run ended, taken straight from the picture.
            const std::size_t group = next_ - 1 - rest;
            next_ = group + Scheme::kGroup;
            append_literal(Scheme::planes(pixels_.data() + group));
        }
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::uint8_t read() { return pixels_[next_++] & Scheme::kColourMask; }

    void append_literal(const std::array<std::uint8_t, Scheme::kLiteralBytes>& literal) {
        if (marker_ == kNone) {
            marker_ = stream_.size();
            stream_.push_back(kMarker);
        } else {
            ++stream_[marker_];
        }
        // push_back: the stream is reserved whole, and a range insert costs a call.
        for (const std::uint8_t b : literal) stream_.push_back(b);
        if (stream_[marker_] == kFullMarker) marker_ = kNone;
    }

    std::span<const std::uint8_t> pixels_;
    std::vector<std::uint8_t>& stream_;
    std::size_t next_ = 0;
    std::size_t marker_ = kNone;  // the marker the next literal group may join
};

template <class Scheme>
int encode(const Picture& picture, TavRecord& tav) {
    const std::span<const std::uint8_t> pixels = picture.pixels;
    if (pixels.empty() || pixels.size() % Scheme::kGroup != 0) return 0;
    std::vector<std::uint8_t> stream;
    // Allocated once: the stream never outgrows its bound.
    if (!fit::try_allocate([&] {
            stream.reserve(stream_bound(pixels.size() / Scheme::kGroup, Scheme::kLiteralBytes));
        }))
        return 0;
    Encoder<Scheme>(pixels, stream).run();
    tav.width = static_cast<std::uint16_t>(picture.width);
    tav.height = static_cast<std::uint16_t>(picture.height);
    tav.mode = Scheme::kFlag;
    tav.stream = std::move(stream);
    return static_cast<int>(tav.stream.size());
}

}  // namespace

int encode_colour_tav(const Picture& picture, TavRecord& tav) {
    return encode<ColourScheme>(picture, tav);
}
int encode_two_colour_tav(const Picture& picture, TavRecord& tav) {
    return encode<TwoColourScheme>(picture, tav);
}

}  // namespace picfit
