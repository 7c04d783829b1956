// PCX files made in the tests: a 128-byte header with chosen fields, run-length coded
// pixel data and the 256-colour palette at the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "support/temp_dir.hpp"

namespace fit_test {

struct PcxFields {
    std::uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    std::uint8_t manufacturer = 0x0A, version = 5, encoding = 1, bits = 8, planes = 1;
};

inline PcxFields window(int width, int height) {
    PcxFields f;
    f.xmax = static_cast<std::uint16_t>(width - 1);
    f.ymax = static_cast<std::uint16_t>(height - 1);
    return f;
}

inline Bytes pcx_header(const PcxFields& f, int bytes_per_line = 0) {
    Bytes h(128, 0);
    const auto put16 = [&](std::size_t at, unsigned v) {
        h[at] = static_cast<std::uint8_t>(v & 0xFF);
        h[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    h[0] = f.manufacturer;
    h[1] = f.version;
    h[2] = f.encoding;
    h[3] = f.bits;
    put16(4, f.xmin);
    put16(6, f.ymin);
    put16(8, f.xmax);
    put16(10, f.ymax);
    put16(12, 72);
    put16(14, 72);
    h[65] = f.planes;
    put16(66, static_cast<unsigned>(bytes_per_line));
    put16(68, 1);
    return h;
}

// The usual PCX coding of each row on its own: runs of up to 63, and a value that
// looks like a run byte always as a run of one.
inline Bytes pcx_rle(std::span<const std::uint8_t> pixels, std::size_t row) {
    Bytes out;
    for (std::size_t start = 0; start < pixels.size(); start += row) {
        const std::size_t end = std::min(pixels.size(), start + row);
        for (std::size_t i = start; i < end;) {
            std::size_t n = 1;
            while (i + n < end && n < 63 && pixels[i + n] == pixels[i]) ++n;
            if (n > 1 || pixels[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | n));
            out.push_back(pixels[i]);
            i += n;
        }
    }
    return out;
}

// A whole accepted file for `pixels` of a width x height picture.
inline Bytes make_pcx(int width, int height, std::span<const std::uint8_t> pixels) {
    Bytes file = pcx_header(window(width, height), width);
    const Bytes data = pcx_rle(pixels, static_cast<std::size_t>(width > 0 ? width : 1));
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(0x0C);
    for (int i = 0; i < 256; ++i) file.insert(file.end(), 3, static_cast<std::uint8_t>(i));
    return file;
}

// A header and raw pixel data as given.
inline Bytes pcx_with_data(const PcxFields& f, const Bytes& data) {
    // Made at its full size and filled: growing the 128-byte header instead makes
    // GCC 12 at -O2 and above see a copy past its end that never happens.
    const Bytes header = pcx_header(f);
    Bytes file(header.size() + data.size());
    std::copy(header.begin(), header.end(), file.begin());
    std::copy(data.begin(), data.end(), file.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return file;
}

}  // namespace fit_test
