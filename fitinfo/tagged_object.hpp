// The object module in tagged object text.
#pragma once

#include <string_view>

#include "finding.hpp"

namespace fitinfo {

// Its name in its summaries and fault lines.
namespace kind_name { inline constexpr std::string_view kTaggedObject = "tagged object module (disk file)"; }

// A first record of 71 characters that opens like the module record (one byte may be
// wrong).
bool looks_like_tagged_object(const media::DiskFile& disk);

media::Checked<TaggedObject> read_tagged_object(const media::DiskFile& disk);
Finding describe(TaggedObject module);

// How many rules of the module this file breaks, counting each wrong character of the
// module and end records and each wrong data record once: a damaged module breaks
// one, data that merely opens like a module record breaks more.
std::size_t tagged_object_faults(const media::DiskFile& disk);

}  // namespace fitinfo
