// datafit's view of the shared parse-back checks: records with the declared maximum
// enforced, and cassette blocks with their name as stored.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace datafit_test {

using fit_test::Bytes;

struct RecordFile {
    std::string error;  // empty when the file is a sound container
    std::size_t declared_count = 0;
    std::size_t declared_maximum = 0;
    std::size_t units = 0;
    std::vector<Bytes> records;
};

// A disk file container: fixed header bytes, as many records as declared, none
// longer than the declared maximum, the fewest units that hold them, zero fill.
RecordFile parse_record_file(const Bytes& file);

struct Block {
    std::array<std::uint8_t, 4> name{};  // as stored: last name byte first
    int start = 0;
    Bytes data;
};

struct Cassette {
    std::string error;  // empty when every unit is sound
    std::vector<Block> blocks;
};

// A cassette image: units of leader and block, each with the marker, an end field
// that matches its length and the checksum of its own data written twice.
Cassette parse_cassette(const Bytes& image);

Bytes concatenate(const std::vector<Bytes>& pieces);
Bytes concatenate(const std::vector<Block>& blocks);

}  // namespace datafit_test
