// The picture record that the PCX reader fills in, the encoders turn into a TAV
// stream and the writer saves.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace picfit {

// The two modes of the converter; a record's Flag and the writer's width field follow it.
enum Mode : int { kTwoColour = 0, kColour = 1 };

struct header_TAV {
    std::array<char, 3> check{'T', 'A', 'V'};
    std::uint8_t version = 1;
    std::uint16_t width = 0;   // pixels
    std::uint16_t heigth = 0;  // rows
    std::uint16_t Length = 0;  // unused: the stream length travels beside the record
    std::uint8_t Flag = kColour;
    std::uint8_t Reserved = 0;
    // One palette index a pixel, row after row from the top; after encoding, the
    // TAV stream instead.
    std::vector<std::uint8_t> image;
};

}  // namespace picfit
