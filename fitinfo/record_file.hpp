// The data record file: the source cut into records (a header record, records of one
// size, a shorter last one) in the disk file container.
#pragma once

#include "finding.hpp"

namespace fitinfo {

// Any container that is neither an executable file nor a tagged object module.
media::Checked<RecordFile> read_record_file(const media::DiskFile& disk);
Finding describe(RecordFile records);

}  // namespace fitinfo
