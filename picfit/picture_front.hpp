// What a source picture's own structure says before any pixel is decoded: its size,
// how long the file can be, whether it is whole, and for a JPEG the way up the camera
// held it. The decoder is given a file only once this front has taken it, and is held
// to what the header implies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "picture_input.hpp"

namespace picfit {

// Room allowed for what a file may carry besides its pixels (colour profiles, text,
// previews, the later frames of a GIF), on top of what its pixels can take.
inline constexpr std::size_t kMetadataAllowance = std::size_t{16} << 20;

struct Header {
    enum class State { incomplete, ok, corrupt };
    State state = State::incomplete;
    // The stored size: what the decoder allocates by.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The EXIF orientation of a JPEG (1 upright, 2 to 8 mirrored and/or turned).
    int orientation = 1;
    // The longest the file can be and still be of this size; 0 until state is ok.
    std::size_t most_bytes = 0;
};

// One row a kind of picture, the only place a kind is written: the first bytes that
// tell it, its name in messages, how the list of accepted kinds says it, and, for the
// kinds the decoder takes, the readers of its header and of its whole structure (a
// PCX has neither: its own reader judges it). A new kind is a row and its readers.
struct PictureKindRow {
    PictureKind kind;
    const char* name;
    const char* accepted;
    std::array<std::string_view, 2> signatures;  // an empty one matches nothing
    Header (*header)(std::span<const std::uint8_t> file);
    bool (*whole)(std::span<const std::uint8_t> file);
};

std::span<const PictureKindRow> picture_kinds();

// The row of a kind; nullptr for unknown.
const PictureKindRow* kind_row(PictureKind kind);

// The header of a file of that kind, from as much of its beginning as has been read.
Header read_header(PictureKind kind, std::span<const std::uint8_t> file);

// How far reading a source may go, from what has been read of it so far: the PCX
// reader's own limit for a PCX or an unknown kind; for the other kinds what the header
// implies, or the metadata allowance while the header has not come yet.
std::size_t source_limit(std::span<const std::uint8_t> so_far);

// True when the file holds its whole structure: every PNG chunk to IEND with its CRC
// right, a GIF's blocks to the end of its first image, a BMP's pixel data, a JPEG's
// markers to EOI.
bool whole_file(PictureKind kind, std::span<const std::uint8_t> file);

// The EXIF orientation tag (0x0112) of a JPEG's APP1 segment; 1 when there is none or
// it is not one of 1 to 8.
int exif_orientation(std::span<const std::uint8_t> app1);

// The stored size as the picture is to be shown: turned a quarter for orientations
// 5 to 8.
inline bool turns_quarter(int orientation) { return orientation >= 5 && orientation <= 8; }

std::uint32_t crc32(std::span<const std::uint8_t> bytes);
std::uint32_t adler32(std::span<const std::uint8_t> bytes);

// A PNG's pixel data: the bytes its IDAT chunks hold, one after the other, and the
// length the inflated rows must have (filter bytes included, every interlace pass).
struct PngData {
    std::vector<std::uint8_t> zlib;
    std::uint64_t raw_bytes = 0;
};
// Of a file whole_file took; false for a header the decoder could not take.
bool png_data(std::span<const std::uint8_t> file, PngData& data);

// The file with a short palette made whole with black entries (PNG PLTE, BMP colour
// table of 1, 4 or 8 bits a pixel), so that no index reads outside it; empty when the
// palette is whole already or there is none.
std::vector<std::uint8_t> palette_padded(PictureKind kind, std::span<const std::uint8_t> file);

}  // namespace picfit
