// The two stages of a conversion: the picture that a reader decodes (media::Picture)
// and the coded record that the encoders make of it and the writer saves.
#pragma once

#include <cstdint>
#include <vector>

#include "media/tav_picture.hpp"

namespace picfit {

using media::Picture;

// The two modes of the converter; a record's mode and the writer's width field follow it.
enum Mode : int { kTwoColour = media::tav::kTwoColourMode, kColour = media::tav::kColourMode };
using media::tav::SizeLimits;
using media::tav::size_limits;

// The TAV file's header fields and the coded stream
// (the magic and the version are media::tav's).
struct TavRecord {
    std::uint16_t width = 0;   // pixels
    std::uint16_t height = 0;  // rows
    std::uint8_t mode = kColour;  // the header's mode byte
    std::vector<std::uint8_t> stream;
};

}  // namespace picfit
