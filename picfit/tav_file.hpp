// The TAV file: a 10-byte header (magic, version, width in pixel groups, height,
// stream length high byte first, mode, a reserved 0) and the encoded stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/erreur.hpp"
#include "tav.hpp"

namespace picfit {

enum TavError : int {
    kCannotCreateTarget = 10,
    kShortWrite = 11,
};

using TavHeader = std::array<std::uint8_t, 10>;

// The header of a record whose image holds a stream of `length` bytes.
TavHeader tav_header(const header_TAV& tav, int length);

// Writes the header and the first `length` bytes of the record's stream as the whole
// file; returns `length`, or 0 after an error, in which case no partial file is left
// and an existing target is unchanged. "%s file written." follows a complete write.
int save_tav(const std::string& filename, const header_TAV& tav, int length, fit::Reporter& report);

}  // namespace picfit
