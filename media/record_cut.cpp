#include "record_cut.hpp"

#include <algorithm>
#include <cassert>

namespace media {

RecordCut::RecordCut(std::span<const std::uint8_t> source, std::size_t header,
                     std::size_t record)
    : source_(source), header_(header), record_(record) {
    assert(header_ <= source_.size());
}

std::size_t RecordCut::count() const {
    const std::size_t head = header_ != 0 ? 1 : 0;
    if (record_ == 0) return head + 1;
    return head + (rest() + record_ - 1) / record_;
}

std::span<const std::uint8_t> RecordCut::piece(std::size_t i) const {
    assert(i < count());
    if (header_ != 0) {
        if (i == 0) return source_.first(header_);
        --i;
    }
    const auto data = source_.subspan(header_);
    if (record_ == 0) return data;
    const std::size_t offset = i * record_;
    return data.subspan(offset, std::min(record_, data.size() - offset));
}

std::size_t RecordCut::longest() const {
    const std::size_t data = record_ == 0 ? rest() : std::min(record_, rest());
    return std::max(header_, data);
}

std::optional<CutBreak> check_cut(std::span<const std::size_t> sizes) {
    if (sizes.empty()) return CutBreak{0, "at least one piece"};
    if (sizes[0] == 0) return CutBreak{0, "at least 1 byte"};
    if (sizes.size() <= 2) return std::nullopt;
    for (std::size_t i = 1; i < sizes.size(); ++i)
        if (sizes[i] == 0) return CutBreak{i, "at least 1 byte"};
    const std::size_t size = sizes[1];
    for (std::size_t i = 1; i + 1 < sizes.size(); ++i)
        if (sizes[i] != size)
            return CutBreak{i, std::to_string(size) + " bytes, as the pieces before"};
    if (sizes.back() == 0 || sizes.back() > size)
        return CutBreak{sizes.size() - 1, "1 to " + std::to_string(size) + " bytes"};
    return std::nullopt;
}

DeclaredLongest declared_longest(std::span<const std::size_t> sizes) {
    // Three pieces or more: the first is the header (or a record of the same size),
    // the second a whole record. A header and an empty piece: no record size.
    if (sizes.size() >= 3) return {declared_maximum(sizes[0], sizes[1], 0), true};
    if (sizes.size() == 2 && sizes[1] == 0) return {declared_maximum(sizes[0], 0, 0), true};
    return {sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end()), false};
}

}  // namespace media
