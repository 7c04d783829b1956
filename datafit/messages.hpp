// datafit's message table and the names of its codes; the code of the first message
// is the exit status of a failed run.
#pragma once

#include "common/reporter.hpp"

namespace datafit {

enum Error : int {
    kSameName = 1,  // then 2 to 6, the frame's (see fit::frame_messages)
    kHeaderSize = 7,      // -H negative, not an int, or longer than the source
    kRecordSize = 8,      // -r negative or not an int
    kSourceTooLong = 9,   // the source is over kInCapacity
    kRecordTooLong = 10,  // the declared maximum record length is over 65535
    kRecordsTooLong = 11, // the records need more than 255 allocation units
    kBlockTooLong = 12,   // a cassette block would be over 65536 bytes
    kImageTooLong = 13,   // the cassette image would be over kOutCapacity
};

namespace detail {
inline constexpr auto messages = fit::after_frame_messages({
    "Incorrect Header size.\n",
    "Incorrect Record size.\n",
    "Source file too long (640000 bytes at most).\n",
    "Record too long for a disk file (65535 bytes at most).\n",
    "Records too long for a disk file (130560 bytes at most).\n",
    "Block too long for a cassette (65536 bytes at most).\n",
    "Cassette image too long (640000 bytes at most).\n",
});
}  // namespace detail

}  // namespace datafit

namespace fit {
inline constexpr ErrorTable datafit_errors{datafit::detail::messages, "Erreur %i\n"};
}  // namespace fit
