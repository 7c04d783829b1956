// The cut by which datafit turns a source into records or cassette blocks: an
// optional header piece, pieces of one size, and one shorter last piece.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace fitinfo {

struct CutBreak {
    std::size_t index;     // the first piece that breaks the cut
    std::string expected;  // what its size should be
};

// One piece is never empty; of two, only the second may be; from three on, every piece
// after the first has the size of the second, except a last piece that may be
// shorter but not empty.
std::optional<CutBreak> check_cut(std::span<const std::size_t> sizes);

// The longest record the header must declare: from three pieces on it is the larger
// of the first two, and so is it for a header piece and an empty second one (the
// header took the whole source, so no record size was given); with fewer, any size
// from the longest piece up is possible.
struct DeclaredLongest {
    std::size_t at_least;
    bool exact;
};
DeclaredLongest declared_longest(std::span<const std::size_t> sizes);

}  // namespace fitinfo
