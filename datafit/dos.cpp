// Disk record file: the cut pieces as the records of one disk file container.
#include "types.hpp"
#include "cut.hpp"
#include "media/disk_container.hpp"

namespace datafit {

static_assert(media::file_size_for(media::kMaxRecordsSize) <= kOutCapacity);
static_assert(fit::states_limit(detail::messages[kRecordTooLong], media::kMaxRecordLength));
static_assert(fit::states_limit(detail::messages[kRecordsTooLong], media::kMaxRecordsSize));

int DOSConv(const State& state, fit::Work& work, fit::Reporter& report) {
    const auto source = work.input();
    const auto cut = plan_cut(state, source, report);
    if (!cut) return 1;
    const std::size_t maximum = cut->declared_maximum();
    if (maximum > media::kMaxRecordLength) {
        report.error(kRecordTooLong);
        return 1;
    }
    // Every record is its data and its length word.
    const std::size_t records_size = source.size() + media::kRecordWordSize * cut->count();
    if (records_size > media::kMaxRecordsSize) {
        report.error(kRecordsTooLong);
        return 1;
    }

    media::DiskFileWriter file(work.out_buffer, cut->count(), maximum, records_size);
    for (std::size_t i = 0; i < cut->count(); ++i) file.add_record(cut->piece(i));
    work.LengthOUT = static_cast<int>(file.finish());
    return 0;
}

}  // namespace datafit
