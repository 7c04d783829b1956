// The TAV file writer (the layout is in media/tav_picture.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "common/file_io.hpp"

#include "messages.hpp"
#include "tav.hpp"

namespace picfit {

using TavHeader = media::tav::Header;

// The header of a record whose stream is `length` bytes long.
TavHeader tav_header(const TavRecord& tav, int length);

// The whole file: the header and the first `length` bytes of the record's stream;
// nothing for a length the record does not hold or the header cannot tell.
struct TavFile {
    TavHeader header;
    std::span<const std::uint8_t> stream;
};
std::optional<TavFile> tav_file_of(const TavRecord& tav, int length);

}  // namespace picfit
