#include "cassette.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "byte_order.hpp"

namespace media {

namespace {

std::size_t put_name(std::span<std::uint8_t> out, std::size_t p, const K7Name& name) {
    std::reverse_copy(name.begin(), name.end(), out.begin() + static_cast<std::ptrdiff_t>(p));
    return p + name.size();
}

std::size_t put_leader(std::span<std::uint8_t> out, std::size_t p) {
    std::memcpy(out.data() + p, sync.data(), sync.size());
    return p + sync.size();
}

}  // namespace

std::uint8_t checksum(std::span<const std::uint8_t> data) {
    // Sixteen byte lanes added at once: each lane wraps at 256 as the sum does, so
    // the lanes' own sum is the checksum.
    using Lanes = std::uint8_t __attribute__((vector_size(16)));
    Lanes lanes{};
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= data.size(); i += sizeof(Lanes)) {
        Lanes chunk;
        std::memcpy(&chunk, data.data() + i, sizeof chunk);
        lanes += chunk;
    }
    std::uint8_t sum = 0;
    for (std::size_t lane = 0; lane < sizeof(Lanes); ++lane) sum = static_cast<std::uint8_t>(sum + lanes[lane]);
    for (; i < data.size(); ++i) sum = static_cast<std::uint8_t>(sum + data[i]);
    return sum;
}

std::size_t append_unit(std::span<std::uint8_t> out, std::size_t p, const K7Name& name,
                        int start, std::span<const std::uint8_t> data) {
    assert(p + data.size() + kUnitOverhead <= out.size());
    p = put_leader(out, p);
    p = put_name(out, p, name);
    out[p++] = kBlockMarker;
    // Signed, so that an empty block at 0 gives the end field 0xFF 0x00.
    const int end = start + static_cast<int>(data.size()) - 1;
    out[p++] = static_cast<std::uint8_t>(end & 0xFF);
    out[p++] = static_cast<std::uint8_t>((end / 256) & 0xFF);
    out[p++] = static_cast<std::uint8_t>(start & 0xFF);
    out[p++] = static_cast<std::uint8_t>((start >> 8) & 0xFF);
    // memcpy throughout: at -O2 ranges::copy between spans is a loop of single bytes.
    if (!data.empty()) std::memcpy(out.data() + p, data.data(), data.size());
    p += data.size();
    const std::uint8_t sum = checksum(data);
    out[p++] = sum;
    out[p++] = sum;
    return p;
}

std::size_t append_constant_block(std::span<std::uint8_t> out, std::size_t p,
                                  const K7Name& name, std::span<const std::uint8_t> block) {
    assert(block.size() >= name.size() && p + kLeaderSize + block.size() <= out.size());
    p = put_leader(out, p);
    std::memcpy(out.data() + p, block.data(), block.size());
    put_name(out, p, name);
    return p + block.size();
}

}  // namespace media

// Reading an image back.
#include <optional>
#include <string>

namespace media {

std::uint16_t end_field(int start, std::size_t n) {
    const int end = start + static_cast<int>(n) - 1;
    return static_cast<std::uint16_t>((end & 0xFF) | ((end / 256) & 0xFF) << 8);
}

namespace {

std::string block_name(std::size_t index) { return "block " + std::to_string(index + 1); }

bool leader_at(std::span<const std::uint8_t> image, std::size_t at) {
    return at + kLeaderSize <= image.size() &&
           std::equal(sync.begin(), sync.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

class UnitReader {
public:
    UnitReader(std::span<const std::uint8_t> image, std::size_t at, std::size_t index)
        : image_(image), at_(at), block_(at + kLeaderSize), index_(index) {}

    Checked<BlockView> read() {
        for (std::size_t k = 0; k < kLeaderSize; ++k) {
            if (at_ + k >= image_.size())
                return FormatError{image_.size(), "leader of " + block_name(index_),
                                   "256 bytes (255 × 0x55, then 0x70)", "the end of the file"};
            if (image_[at_ + k] != sync[k])
                return byte_error(at_ + k, "leader of " + block_name(index_), sync[k],
                                  image_[at_ + k]);
        }
        if (block_ + kBlockOverhead > image_.size())
            return FormatError{image_.size(), block_name(index_),
                               "at least 11 bytes after its leader",
                               bytes_text(image_.size() - block_)};
        if (image_[block_ + kMarkerOffset] != kBlockMarker)
            return byte_error(block_ + kMarkerOffset, "marker of " + block_name(index_),
                              kBlockMarker, image_[block_ + kMarkerOffset]);
        end_ = low_byte_first(image_, block_ + kEndFieldOffset);
        start_ = low_byte_first(image_, block_ + kStartFieldOffset);

        const std::size_t by_fields = ((end_ - start_) & 0xFFFF) + 1;
        // An empty block carries the same end field as one of 256 bytes at 0 (or of
        // 65536 elsewhere); the checksums tell which.
        const bool may_be_empty = end_ == end_field(static_cast<int>(start_), 0);
        const bool full_fits = fits(by_fields);
        const bool empty_fits = may_be_empty && fits(0);
        if (full_fits && empty_fits) return view(followed_by_unit(0) ? 0 : by_fields);
        if (full_fits) return view(by_fields);
        if (empty_fits) return view(0);
        return diagnose(by_fields);
    }

private:
    [[nodiscard]] std::size_t checksum_at(std::size_t n) const { return block_ + kDataOffset + n; }

    [[nodiscard]] std::span<const std::uint8_t> data(std::size_t n) const {
        return image_.subspan(block_ + kDataOffset, n);
    }

    [[nodiscard]] bool fits(std::size_t n) const {
        if (checksum_at(n) + 2 > image_.size()) return false;
        const std::uint8_t sum = checksum(data(n));
        return image_[checksum_at(n)] == sum && image_[checksum_at(n) + 1] == sum;
    }

    [[nodiscard]] bool followed_by_unit(std::size_t n) const {
        const std::size_t next = checksum_at(n) + 2;
        return next == image_.size() || leader_at(image_, next);
    }

    [[nodiscard]] BlockView view(std::size_t n) const {
        BlockView block;
        block.offset = at_;
        for (std::size_t k = 0; k < block.name.size(); ++k)
            block.name[k] = image_[block_ + block.name.size() - 1 - k];
        block.end = static_cast<std::uint16_t>(end_);
        block.start = static_cast<std::uint16_t>(start_);
        block.data = data(n);
        block.sum = image_[checksum_at(n)];
        return block;
    }

    // No length fits the checksums: find where the block really ends (at the next
    // leader, or at the end of the file) to tell a wrong address field from a wrong
    // byte in the data or the checksums.
    [[nodiscard]] FormatError diagnose(std::size_t by_fields) const {
        const auto from = image_.begin() + static_cast<std::ptrdiff_t>(block_ + kBlockOverhead);
        const auto next = std::search(from, image_.end(), sync.begin(), sync.end());
        const std::size_t real = static_cast<std::size_t>(next - from);
        const std::string name = block_name(index_);
        if (real != by_fields && fits(real)) {
            // One of the two fields is wrong. The start the end field gives is taken
            // when it is likelier than the start field: data blocks start at 0, code
            // mostly at a page boundary.
            const unsigned by_end = (end_ + 1 - static_cast<unsigned>(real)) & 0xFFFF;
            const auto likelihood = [](unsigned start) { return start == 0 ? 2 : (start & 0xFF) == 0; };
            if (end_field(static_cast<int>(by_end), real) == end_ &&
                likelihood(by_end) > likelihood(start_))
                return word_error(block_ + kStartFieldOffset, false,
                                  "start address of " + name + " (end " + hex16(end_) + ", " +
                                      bytes_text(real) + ")",
                                  by_end, start_);
            return word_error(block_ + kEndFieldOffset, false,
                              "end address of " + name + " (start " + hex16(start_) + ", " +
                                  bytes_text(real) + ")",
                              end_field(static_cast<int>(start_), real), end_);
        }
        if (checksum_at(by_fields) + 2 > image_.size())
            return FormatError{image_.size(),
                               name + " (end " + hex16(end_) + " and start " + hex16(start_) +
                                   " give " + bytes_text(by_fields) + ")",
                               bytes_text(by_fields + 2) + " of data and checksums",
                               bytes_text(image_.size() - (block_ + kDataOffset)) +
                                   " to the end of the file"};
        const std::uint8_t sum = checksum(data(by_fields));
        const std::uint8_t first = image_[checksum_at(by_fields)];
        const std::uint8_t second = image_[checksum_at(by_fields) + 1];
        if (first == sum)
            return byte_error(checksum_at(by_fields) + 1, "second checksum of " + name, sum,
                              second);
        return byte_error(checksum_at(by_fields),
                          "checksum of " + name + " (sum of its " + bytes_text(by_fields) + ")",
                          sum, first);
    }

    std::span<const std::uint8_t> image_;
    std::size_t at_;
    std::size_t block_;
    std::size_t index_;
    unsigned end_ = 0;
    unsigned start_ = 0;
};

}  // namespace

Checked<std::vector<BlockView>> read_cassette(std::span<const std::uint8_t> image) {
    if (image.empty())
        return FormatError{0, "cassette image", "a leader and a block", "an empty file"};
    std::vector<BlockView> blocks;
    std::size_t at = 0;
    while (at < image.size()) {
        auto block = UnitReader(image, at, blocks.size()).read();
        if (!block) return block.error();
        at = block->offset + kUnitOverhead + block->data.size();
        blocks.push_back(std::move(block).value());
    }
    return blocks;
}

}  // namespace media
