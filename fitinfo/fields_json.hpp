// The fields of a finding as JSON members, one for every value its summary shows
// (see man/fitinfo.1 for their names). Each kind's own members are written by its
// write_json, beside its reader; what they share is here.
#pragma once

#include <cstdint>
#include <string_view>

#include "json.hpp"
#include "kinds.hpp"

namespace fitinfo {

// Writes "fields": {...} into the object being written; nothing for a file with
// no parsed fields.
void write_fields(JsonWriter& json, const Parsed& parsed);

// The member `name`: `value`.
inline void member(JsonWriter& json, std::string_view name, std::uint64_t value) {
    json.key(name).number(value);
}

// A disk container's header, as the member "container".
void write_container(JsonWriter& json, const Container& c);

}  // namespace fitinfo
