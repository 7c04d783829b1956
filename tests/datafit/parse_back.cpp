#include "parse_back.hpp"

#include <algorithm>

#include "support/cassette_parse.hpp"
#include "support/disk_parse.hpp"

namespace datafit_test {

RecordFile parse_record_file(const Bytes& file) {
    RecordFile f;
    fit_test::DiskFile disk;
    f.error = fit_test::parse_disk_file(file, disk);
    f.declared_count = disk.record_count;
    f.declared_maximum = disk.max_record_length;
    f.units = disk.units;
    f.records = std::move(disk.records);
    if (!f.error.empty()) return f;
    for (std::size_t i = 0; i < f.records.size(); ++i)
        if (f.records[i].size() > f.declared_maximum)
            f.error = "record " + std::to_string(i) + " is longer than the declared maximum";
    return f;
}

Cassette parse_cassette(const Bytes& image) {
    Cassette c;
    auto parsed = fit_test::parse_cassette(image);
    c.error = parsed.error;
    for (auto& block : parsed.blocks) {
        Block b;
        std::ranges::reverse_copy(block.name, b.name.begin());
        b.start = block.start;
        b.data = std::move(block.data);
        c.blocks.push_back(std::move(b));
    }
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
