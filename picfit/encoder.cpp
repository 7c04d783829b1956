#include "encoder.hpp"

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

namespace picfit {

namespace {

// What sets the two encoders apart: the pixel group, the longest run, the run byte's
// fields and the layout of a literal group.
struct ColourScheme {
    static constexpr std::size_t kGroup = 8;
    static constexpr std::size_t kLongestRun = 16 * kGroup;
    static constexpr std::uint8_t kColourMask = 0x07;
    static constexpr int kCountShift = 3;  // run byte: (groups - 1) << 3 | colour
    static constexpr std::size_t kLiteralBytes = 3;

    // Each pixel adds one bit to each plane: blue (bit 2), green (bit 1), red (bit 0).
    static void shift_in(std::array<std::uint8_t, kLiteralBytes>& planes, std::size_t,
                         std::uint8_t colour) {
        for (std::size_t p = 0; p < kLiteralBytes; ++p) {
            const unsigned bit = colour >> (kLiteralBytes - 1 - p) & 1U;
            planes[p] = static_cast<std::uint8_t>(planes[p] << 1 | bit);
        }
    }
};

struct TwoColourScheme {
    static constexpr std::size_t kGroup = 16;
    static constexpr std::size_t kLongestRun = 64 * kGroup;
    static constexpr std::uint8_t kColourMask = 0x01;
    static constexpr int kCountShift = 1;  // run byte: (groups - 1) << 1 | colour
    static constexpr std::size_t kLiteralBytes = 2;

    // Even pixels go to the first byte, odd pixels to the second.
    static void shift_in(std::array<std::uint8_t, kLiteralBytes>& bytes, std::size_t i,
                         std::uint8_t colour) {
        auto& byte = bytes[i & 1];
        byte = static_cast<std::uint8_t>(byte << 1 | colour);
    }
};

constexpr std::uint8_t kMarker = 0x80;
constexpr std::uint8_t kFullMarker = 0xFF;  // 128 literal groups

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
            while (count < Scheme::kLongestRun && next_ < pixels_.size()) {
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
            // The rest of the run, the pixel that ended it and the rest of its group.
            for (std::size_t i = 0; i < rest; ++i) add(last);
            add(val);
            while (filled_ < Scheme::kGroup) add(read());
            append_literal();
        }
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::uint8_t read() { return pixels_[next_++] & Scheme::kColourMask; }

    void add(std::uint8_t colour) { Scheme::shift_in(literal_, filled_++, colour); }

    void append_literal() {
        if (marker_ == kNone) {
            marker_ = stream_.size();
            stream_.push_back(kMarker);
        } else {
            ++stream_[marker_];
        }
        stream_.insert(stream_.end(), literal_.begin(), literal_.end());
        literal_ = {};
        filled_ = 0;
        if (stream_[marker_] == kFullMarker) marker_ = kNone;
    }

    std::span<const std::uint8_t> pixels_;
    std::vector<std::uint8_t>& stream_;
    std::size_t next_ = 0;
    std::size_t marker_ = kNone;  // the marker the next literal group may join
    std::array<std::uint8_t, Scheme::kLiteralBytes> literal_{};  // the group being filled
    std::size_t filled_ = 0;                                     // its pixels so far
};

template <class Scheme>
int encode(header_TAV& tav) {
    const std::span<const std::uint8_t> pixels = tav.image;
    if (pixels.empty() || pixels.size() % Scheme::kGroup != 0) return 0;
    std::vector<std::uint8_t> stream;
    try {
        // Allocated once: the stream never outgrows its bound.
        stream.reserve(stream_bound(pixels.size() / Scheme::kGroup, Scheme::kLiteralBytes));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    Encoder<Scheme>(pixels, stream).run();
    tav.image = std::move(stream);
    return static_cast<int>(tav.image.size());
}

}  // namespace

int encoder_COLOR_tav(header_TAV& tav) { return encode<ColourScheme>(tav); }
int encoder_BW_tav(header_TAV& tav) { return encode<TwoColourScheme>(tav); }

}  // namespace picfit
