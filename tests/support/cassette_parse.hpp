// Reads a cassette image back unit by unit and checks every block as the machine
// would: the leader, the marker, end and start fields that agree with the data
// length, and both checksum bytes equal to the sum of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/cassette_name.hpp"
#include "support/temp_dir.hpp"

namespace fit_test {

struct CassetteBlock {
    std::size_t offset = 0;  // image offset of the block's first byte, after its leader
    media::K7Name name{};      // in K7Name order, so the block's bytes 3, 2, 1, 0
    std::uint16_t start = 0;
    std::uint16_t end = 0;   // the end field as stored
    Bytes data;
};

struct ParsedCassette {
    std::vector<CassetteBlock> blocks;
    std::string error;  // empty when every unit is well formed up to the image's end

    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Walks the units of the image. On the first fault it stops and says what and where,
// keeping the blocks read before it.
ParsedCassette parse_cassette(std::span<const std::uint8_t> image);

}  // namespace fit_test
