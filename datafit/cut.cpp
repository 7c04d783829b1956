#include "cut.hpp"

#include "converters.hpp"

namespace datafit {

std::optional<media::RecordCut> plan_cut(const State& state,
                                         std::span<const std::uint8_t> source,
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
    return media::RecordCut(source, static_cast<std::size_t>(*header),
                            static_cast<std::size_t>(*record));
}

}  // namespace datafit
