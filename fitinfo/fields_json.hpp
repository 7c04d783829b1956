// The fields of a finding as JSON members, one for every value its summary shows
// (see man/fitinfo.1 for their names).
#pragma once

#include "json.hpp"
#include "parsed.hpp"

namespace fitinfo {

// Writes "fields": {...} into the object being written; nothing for a file with
// no parsed fields.
void write_fields(JsonWriter& json, const Parsed& parsed);

}  // namespace fitinfo
