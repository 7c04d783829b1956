#include "kinds.hpp"

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/record_cut.hpp"

namespace fitinfo {

media::Checked<RecordFile> read_record_file(const media::DiskFile& disk) {
    using media::FormatError;
    std::vector<std::size_t> sizes;
    for (const auto& record : disk.records) sizes.push_back(record.data.size());
    if (disk.records.empty())
        return FormatError{media::kRecordCountOffset, "NbRecordH/NbRecordL", "at least 1 record",
                           "0"};
    if (const auto broken = media::check_cut(sizes))
        return FormatError{disk.records[broken->index].offset,
                           "length of record " + std::to_string(broken->index + 1) +
                               " (records " + sizes_text(sizes) + ")",
                           broken->expected, bytes_text(sizes[broken->index])};
    const auto longest = media::declared_longest(sizes);
    if (longest.exact ? disk.max_record_length != longest.at_least
                      : disk.max_record_length < longest.at_least) {
        auto error = media::word_error(media::kMaxRecordLengthOffset, true,
                                       "MaxRecordLengthH/L (records " + sizes_text(sizes) + ")",
                                       static_cast<unsigned>(longest.at_least),
                                       static_cast<unsigned>(disk.max_record_length));
        if (!longest.exact) error.expected += " or more";
        return error;
    }

    RecordFile file;
    file.container = container_of(disk);
    file.sizes = std::move(sizes);
    for (const auto& record : disk.records)
        file.data.insert(file.data.end(), record.data.begin(), record.data.end());
    return file;
}

Finding describe(RecordFile records) {
    std::vector<std::string> details{
        container_text(records.container),
        "records: " + sizes_text(records.sizes) + " bytes",
        "data: " + bytes_text(records.data.size()),
    };
    return found(kind_name::kRecordFile, std::move(details), std::move(records), &RecordFile::data);
}

void write_json(JsonWriter& json, const RecordFile& f) {
    write_container(json, f.container);
    json.key("record_sizes").begin_array();
    for (const std::size_t size : f.sizes) json.number(size);
    json.end_array();
    member(json, "data_size", f.data.size());
}

}  // namespace fitinfo
