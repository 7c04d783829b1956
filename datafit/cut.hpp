// The cut that the disk record file and the cassette data file share: an optional
// header piece, then pieces of a fixed size, then one shorter last piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "messages.hpp"
#include "options.hpp"

namespace datafit {

class Cut {
public:
    // header 0: no header piece. record 0: everything after the header is one piece,
    // even when it is empty. The header must not be longer than the source.
    Cut(std::span<const std::uint8_t> source, std::size_t header, std::size_t record);

    [[nodiscard]] std::size_t header() const { return header_; }
    [[nodiscard]] std::size_t record() const { return record_; }
    // The bytes after the header.
    [[nodiscard]] std::size_t rest() const { return source_.size() - header_; }

    [[nodiscard]] std::size_t count() const;
    // Piece i, in source order; the pieces laid end to end are the source.
    [[nodiscard]] std::span<const std::uint8_t> piece(std::size_t i) const;
    // The longest piece actually cut (not the record size when nothing reaches it).
    [[nodiscard]] std::size_t longest() const;

private:
    std::span<const std::uint8_t> source_;
    std::size_t header_;
    std::size_t record_;
};

// Tests the options against the source before anything is written, reporting only
// the first failure: the header size (7), the record size (8), both must fit an int
// and not be negative, then the header must not be longer than the source (7).
std::optional<Cut> plan_cut(const State& state, std::span<const std::uint8_t> source,
                            fit::Reporter& report);

}  // namespace datafit
