#include "cut.hpp"

#include <algorithm>
#include <cassert>

#include "converters.hpp"

namespace datafit {

Cut::Cut(std::span<const std::uint8_t> source, std::size_t header, std::size_t record)
    : source_(source), header_(header), record_(record) {
    assert(header_ <= source_.size());
}

std::size_t Cut::count() const {
    const std::size_t head = header_ != 0 ? 1 : 0;
    if (record_ == 0) return head + 1;
    return head + (rest() + record_ - 1) / record_;
}

std::span<const std::uint8_t> Cut::piece(std::size_t i) const {
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

std::size_t Cut::longest() const {
    const std::size_t data = record_ == 0 ? rest() : std::min(record_, rest());
    return std::max(header_, data);
}

std::optional<Cut> plan_cut(const State& state, std::span<const std::uint8_t> source,
                            fit::Reporter& report) {
    const auto header = state.headerSize.size();
    if (!header) {
        report.error(kHeaderSize);
        return std::nullopt;
    }
    const auto record = state.recordSize.size();
    if (!record) {
        report.error(kRecordSize);
        return std::nullopt;
    }
    if (static_cast<std::size_t>(*header) > source.size()) {
        report.error(kHeaderSize);
        return std::nullopt;
    }
    return Cut(source, static_cast<std::size_t>(*header), static_cast<std::size_t>(*record));
}

}  // namespace datafit
