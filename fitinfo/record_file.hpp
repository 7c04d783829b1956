// The data record file: the source cut into records (a header record, records of one
// size, a shorter last one) in the disk file container.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kRecordFile = "data record file (disk file)"; }

// Any container that is neither an executable file nor a tagged object module.
media::Checked<RecordFile> read_record_file(const media::DiskFile& disk);
Finding describe(RecordFile records);

}  // namespace fitinfo
