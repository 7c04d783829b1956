// Cassette data file: one plain data block at address 0 per cut piece.
#include <algorithm>

#include "types.hpp"
#include "cut.hpp"
#include "media/cassette.hpp"

namespace datafit {

static_assert(fit::states_limit(detail::messages[kBlockTooLong], media::kLongestBlock));

int K7Conv(const State& state, fit::Work& work, fit::Reporter& report) {
    const auto source = work.input();
    const auto cut = plan_cut(state, source, report);
    if (!cut) return 1;
    if (cut->longest() > media::kLongestBlock) {
        report.error(kBlockTooLong);
        return 1;
    }
    const std::size_t image = source.size() + media::kUnitOverhead * cut->count();
    if (image > std::min(kOutCapacity, work.out_buffer.size())) {
        report.error(kImageTooLong);
        return 1;
    }

    std::size_t p = 0;
    for (std::size_t i = 0; i < cut->count(); ++i)
        p = media::append_unit(work.out_buffer, p, state.K7Name, media::kDataBlockStart, cut->piece(i));
    work.LengthOUT = static_cast<int>(p);
    return 0;
}

}  // namespace datafit
