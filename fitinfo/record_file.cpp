#include "record_file.hpp"

#include "cut_plan.hpp"

namespace fitinfo {

Checked read_record_file(const media::DiskFile& disk) {
    using media::FormatError;
    std::vector<std::size_t> sizes;
    for (const auto& record : disk.records) sizes.push_back(record.data.size());
    if (disk.records.empty())
        return FormatError{media::kRecordCountOffset, "NbRecordH/NbRecordL", "at least 1 record",
                           "0"};
    if (const auto broken = check_cut(sizes))
        return FormatError{disk.records[broken->index].offset,
                           "length of record " + std::to_string(broken->index + 1) +
                               " (records " + sizes_text(sizes) + ")",
                           broken->expected, bytes_text(sizes[broken->index])};
    const auto longest = declared_longest(sizes);
    if (longest.exact ? disk.max_record_length != longest.at_least
                      : disk.max_record_length < longest.at_least) {
        auto error = media::word_error(media::kMaxRecordLengthOffset, true,
                                       "MaxRecordLengthH/L (records " + sizes_text(sizes) + ")",
                                       static_cast<unsigned>(longest.at_least),
                                       static_cast<unsigned>(disk.max_record_length));
        if (!longest.exact) error.expected += " or more";
        return error;
    }

    Finding finding;
    finding.kind = "data record file (disk file)";
    for (const auto& record : disk.records)
        finding.payload.insert(finding.payload.end(), record.data.begin(), record.data.end());
    finding.details = {
        container_text(disk),
        "records: " + sizes_text(sizes) + " bytes",
        "data: " + bytes_text(finding.payload.size()),
    };
    return finding;
}

}  // namespace fitinfo
