#include "fields_json.hpp"

#include <string_view>
#include <type_traits>

#include "media/disk_container.hpp"

namespace fitinfo {

namespace {

void member(JsonWriter& json, std::string_view name, std::uint64_t value) {
    json.key(name).number(value);
}

void container(JsonWriter& json, const Container& c) {
    json.key("container").begin_object();
    member(json, "record_count", c.record_count);
    member(json, "max_record_length", c.max_record_length);
    member(json, "allocation_units", c.units);
    member(json, "file_size", media::kAllocationUnit * (c.units + 1));
    json.end_object();
}

void write(JsonWriter& json, const ExeFile& f) {
    container(json, f.container);
    member(json, "load", f.load);
    member(json, "end", f.end);
    member(json, "entry", f.entry);
    member(json, "flag", f.flag);
    member(json, "code_offset", f.code_offset);
    member(json, "code_size", f.code.size());
}

void write(JsonWriter& json, const TaggedObject& f) {
    container(json, f.container);
    member(json, "code_size", f.code.size());
}

void write(JsonWriter& json, const RecordFile& f) {
    container(json, f.container);
    json.key("record_sizes").begin_array();
    for (const std::size_t size : f.sizes) json.number(size);
    json.end_array();
    member(json, "data_size", f.data.size());
}

void write(JsonWriter& json, const RomImage& f) {
    json.key("load");
    if (f.load) json.number(*f.load);
    else json.null();
    json.key("load_given").boolean(f.load_given);
    json.key("size_given").boolean(f.size_given);
    member(json, "entry", f.entry);
    json.key("paged").boolean(f.paged);
    member(json, "code_size", f.code.size());
}

void write(JsonWriter& json, const CassetteImage& f) {
    json.key("image").string(f.code ? "code" : "data");
    member(json, "loader", static_cast<std::uint64_t>(f.loader));
    json.key("blocks").begin_array();
    for (const auto& block : f.blocks) {
        json.begin_object();
        member(json, "offset", block.offset);
        json.key("name").string(
            std::string_view(reinterpret_cast<const char*>(block.name.data()), block.name.size()));
        member(json, "start", block.start);
        member(json, "end", block.end);
        member(json, "size", block.size);
        member(json, "checksum", block.sum);
        json.end_object();
    }
    json.end_array();
    member(json, "payload_size", f.payload.size());
}

void write(JsonWriter& json, const BasicProgram& f) {
    member(json, "text_size", f.text_size);
    member(json, "last_line", f.last_line);
    member(json, "load", f.load);
    member(json, "code_size", f.code.size());
}

void write(JsonWriter& json, const Listing& f) {
    member(json, "text_size", f.text_size);
    member(json, "lines", f.lines);
    member(json, "data_size", f.data.size());
}

void write(JsonWriter& json, const TavFile& f) {
    member(json, "width_groups", f.width_groups);
    member(json, "stream_length", f.length);
    member(json, "file_size", f.file_size);
    member(json, "runs", f.runs);
    member(json, "literals", f.literals);
    member(json, "width", f.picture.width);
    member(json, "height", f.picture.height);
    json.key("colour").boolean(f.picture.colour);
}

}  // namespace

void write_fields(JsonWriter& json, const Parsed& parsed) {
    std::visit(
        [&](const auto& fields) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(fields)>, std::monostate>) {
                json.key("fields").begin_object();
                write(json, fields);
                json.end_object();
            }
        },
        parsed);
}

}  // namespace fitinfo
