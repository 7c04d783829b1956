#include "fields_json.hpp"

#include <string_view>
#include <type_traits>

#include "media/disk_container.hpp"

namespace fitinfo {

void write_container(JsonWriter& json, const Container& c) {
    json.key("container").begin_object();
    member(json, "record_count", c.record_count);
    member(json, "max_record_length", c.max_record_length);
    member(json, "allocation_units", c.units);
    member(json, "file_size", media::kAllocationUnit * (c.units + 1));
    json.end_object();
}

void write_fields(JsonWriter& json, const Parsed& parsed) {
    std::visit(
        [&](const auto& fields) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(fields)>, std::monostate>) {
                json.key("fields").begin_object();
                write_json(json, fields);
                json.end_object();
            }
        },
        parsed);
}

}  // namespace fitinfo
