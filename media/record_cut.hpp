// How a data file is cut into the records of a disk record file or the blocks of a
// cassette data file: an optional header piece, then pieces of one record size, then
// one shorter last piece. datafit cuts by it and fitinfo checks a file against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace media {

// The record size a record file's header declares for a cut: the record size (or,
// without one, the length after the header) even where no record reaches it, and the
// header piece's length when that is longer.
constexpr std::size_t declared_maximum(std::size_t header, std::size_t record,
                                       std::size_t rest) {
    const std::size_t data = record != 0 ? record : rest;
    return header > data ? header : data;
}

class RecordCut {
public:
    // header 0: no header piece. record 0: everything after the header is one piece,
    // even when it is empty. The header must not be longer than the source.
    RecordCut(std::span<const std::uint8_t> source, std::size_t header, std::size_t record);

    [[nodiscard]] std::size_t header() const { return header_; }
    [[nodiscard]] std::size_t record() const { return record_; }
    // The bytes after the header.
    [[nodiscard]] std::size_t rest() const { return source_.size() - header_; }

    [[nodiscard]] std::size_t count() const;
    // Piece i, in source order; the pieces laid end to end are the source.
    [[nodiscard]] std::span<const std::uint8_t> piece(std::size_t i) const;
    // The longest piece actually cut (not the record size when nothing reaches it).
    [[nodiscard]] std::size_t longest() const;
    [[nodiscard]] std::size_t declared_maximum() const {
        return media::declared_maximum(header_, record_, rest());
    }

private:
    std::span<const std::uint8_t> source_;
    std::size_t header_;
    std::size_t record_;
};

// Reading the cut back from the pieces' sizes.
struct CutBreak {
    std::size_t index;     // the first piece that breaks the cut
    std::string expected;  // what its size should be
};

// One piece is never empty; of two, only the second may be; from three on, every piece
// after the first has the size of the second, except a last piece that may be
// shorter but not empty.
std::optional<CutBreak> check_cut(std::span<const std::size_t> sizes);

// The declared maximum of the cut that gave these sizes: from three pieces on the
// first two tell its header and record size, and so do a header piece and an empty
// second one (the header took the whole source, so no record size was given); with
// fewer, any size from the longest piece up is possible.
struct DeclaredLongest {
    std::size_t at_least;
    bool exact;
};
DeclaredLongest declared_longest(std::span<const std::size_t> sizes);

}  // namespace media
