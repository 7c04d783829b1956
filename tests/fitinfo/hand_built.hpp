// Files of every kind laid out byte by byte in the tests, independently of the code
// that reads them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fitinfo/recognise.hpp"
#include "support/temp_dir.hpp"

namespace fit_test {

// A disk file container holding the records, declaring `max` as the longest.
inline Bytes container(const std::vector<Bytes>& records, std::size_t max) {
    std::size_t size = 0;
    for (const auto& r : records) size += r.size() + 2;
    const std::size_t units = (size + 511) / 512;
    Bytes file(512 * (units + 1), 0x00);
    file[0] = 0xFD;
    file[2] = static_cast<std::uint8_t>(records.size() >> 8);
    file[3] = static_cast<std::uint8_t>(records.size());
    file[4] = static_cast<std::uint8_t>(max >> 8);
    file[5] = static_cast<std::uint8_t>(max);
    file[14] = 0x01;
    file[15] = static_cast<std::uint8_t>(units);
    std::size_t p = 512;
    for (const auto& r : records) {
        file[p++] = static_cast<std::uint8_t>(r.size() >> 8);
        file[p++] = static_cast<std::uint8_t>(r.size());
        for (const auto b : r) file[p++] = b;
    }
    return file;
}

// One cassette unit: leader, reversed name, 0x7A, end and start low byte first, data,
// checksum twice.
inline Bytes unit(std::string_view name, unsigned start, const Bytes& data) {
    Bytes out(255, 0x55);
    out.push_back(0x70);
    for (std::size_t k = 4; k-- > 0;) out.push_back(static_cast<std::uint8_t>(name[k]));
    const int end = static_cast<int>(start) + static_cast<int>(data.size()) - 1;
    out.insert(out.end(), {0x7A, static_cast<std::uint8_t>(end & 0xFF),
                           static_cast<std::uint8_t>((end / 256) & 0xFF),
                           static_cast<std::uint8_t>(start & 0xFF),
                           static_cast<std::uint8_t>(start >> 8)});
    std::uint8_t sum = 0;
    for (const auto b : data) sum = static_cast<std::uint8_t>(sum + b);
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), {sum, sum});
    return out;
}

inline Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline fitinfo::Inspection inspect(const Bytes& file, fitinfo::InspectOptions options = {}) {
    return fitinfo::inspect(file, options);
}

// The offset of the first broken rule; SIZE_MAX (and a failure) when the file passed.
inline std::size_t broken_at(const Bytes& file, fitinfo::InspectOptions options = {}) {
    const auto inspection = fitinfo::inspect(file, options);
    if (inspection.verdict != fitinfo::Verdict::broken) {
        ADD_FAILURE() << "not refused: " << inspection.kind;
        return SIZE_MAX;
    }
    return inspection.error->offset;
}

}  // namespace fit_test
