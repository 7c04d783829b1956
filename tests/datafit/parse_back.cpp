#include "parse_back.hpp"

#include <algorithm>
#include <numeric>

namespace datafit_test {

namespace {

constexpr std::size_t kUnit = 512;
constexpr std::size_t kLeader = 256;

std::size_t word_hl(const Bytes& b, std::size_t at) { return std::size_t{b[at]} << 8 | b[at + 1]; }
std::size_t word_lh(const Bytes& b, std::size_t at) { return std::size_t{b[at + 1]} << 8 | b[at]; }

bool zeros(const Bytes& b, std::size_t from, std::size_t to) {
    return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from),
                       b.begin() + static_cast<std::ptrdiff_t>(to),
                       [](std::uint8_t x) { return x == 0; });
}

bool leader_at(const Bytes& b, std::size_t at) {
    if (at + kLeader > b.size()) return false;
    for (std::size_t i = 0; i + 1 < kLeader; ++i)
        if (b[at + i] != 0x55) return false;
    return b[at + kLeader - 1] == 0x70;
}

std::uint8_t sum_of(const Bytes& b, std::size_t from, std::size_t n) {
    return static_cast<std::uint8_t>(
        std::accumulate(b.begin() + static_cast<std::ptrdiff_t>(from),
                        b.begin() + static_cast<std::ptrdiff_t>(from + n), 0u));
}

}  // namespace

RecordFile parse_record_file(const Bytes& file) {
    RecordFile f;
    if (file.size() < 2 * kUnit || file.size() % kUnit != 0) {
        f.error = "length " + std::to_string(file.size()) + " is not a header and whole units";
        return f;
    }
    if (file[0] != 0xFD || file[1] != 0x00 || !zeros(file, 6, 13) || file[13] != 0x00 ||
        file[14] != 0x01 || !zeros(file, 16, kUnit)) {
        f.error = "fixed header bytes are wrong";
        return f;
    }
    f.declared_count = word_hl(file, 2);
    f.declared_maximum = word_hl(file, 4);
    f.units = file[15];
    if (file.size() != kUnit * (f.units + 1)) {
        f.error = "length disagrees with NbAu";
        return f;
    }
    std::size_t p = kUnit;
    for (std::size_t i = 0; i < f.declared_count; ++i) {
        if (p + 2 > file.size()) {
            f.error = "record " + std::to_string(i) + " starts past the end";
            return f;
        }
        const std::size_t n = word_hl(file, p);
        if (n > f.declared_maximum) f.error = "record longer than the declared maximum";
        if (p + 2 + n > file.size()) {
            f.error = "record " + std::to_string(i) + " runs past the end";
            return f;
        }
        f.records.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(p + 2),
                               file.begin() + static_cast<std::ptrdiff_t>(p + 2 + n));
        p += 2 + n;
    }
    const std::size_t records_size = p - kUnit;
    if (f.units != (records_size + kUnit - 1) / kUnit) f.error = "NbAu is not the fewest units";
    if (!zeros(file, p, file.size())) f.error = "fill after the records is not zero";
    return f;
}

Cassette parse_cassette(const Bytes& image) {
    Cassette c;
    std::size_t p = 0;
    while (p < image.size()) {
        const std::string where = "unit at " + std::to_string(p) + ": ";
        if (!leader_at(image, p) || p + kLeader + 11 > image.size()) {
            c.error = where + "no leader and block";
            return c;
        }
        const std::size_t b = p + kLeader;
        if (image[b + 4] != 0x7A) {
            c.error = where + "marker is not 0x7A";
            return c;
        }
        const std::size_t end = word_lh(image, b + 5);
        const std::size_t start = word_lh(image, b + 7);
        // The end field states the length modulo 65536, and an empty block at 0 reads
        // like a 256-byte one: take the length after which the unit closes properly.
        std::size_t n = (end + 0x10000 - start) % 0x10000 + 1;
        std::vector<std::size_t> lengths{n};
        if (start == 0 && end == 0x00FF) lengths.push_back(0);
        const auto closes = [&](std::size_t len) {
            const std::size_t after = b + 9 + len + 2;
            return after <= image.size() && image[b + 9 + len] == image[b + 10 + len] &&
                   image[b + 9 + len] == sum_of(image, b + 9, len) &&
                   (after == image.size() || leader_at(image, after));
        };
        const auto found = std::find_if(lengths.begin(), lengths.end(), closes);
        if (found == lengths.end()) {
            c.error = where + "no length fits its end field, checksums and what follows";
            return c;
        }
        n = *found;
        Block block;
        std::copy(image.begin() + static_cast<std::ptrdiff_t>(b),
                  image.begin() + static_cast<std::ptrdiff_t>(b + 4), block.name.begin());
        block.start = static_cast<int>(start);
        block.data.assign(image.begin() + static_cast<std::ptrdiff_t>(b + 9),
                          image.begin() + static_cast<std::ptrdiff_t>(b + 9 + n));
        c.blocks.push_back(std::move(block));
        p = b + 9 + n + 2;
    }
    if (c.blocks.empty()) c.error = "no block at all";
    return c;
}

Bytes concatenate(const std::vector<Bytes>& pieces) {
    Bytes all;
    for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

Bytes concatenate(const std::vector<Block>& blocks) {
    Bytes all;
    for (const auto& block : blocks) all.insert(all.end(), block.data.begin(), block.data.end());
    return all;
}

}  // namespace datafit_test
