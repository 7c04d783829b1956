#include "disk_container.hpp"
#include "byte_order.hpp"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstring>

namespace media {

DiskHeader make_header(std::size_t record_count, std::size_t max_record_length,
                          std::size_t records_size) {
    DiskHeader header;
    header.NbRecordH = static_cast<std::uint8_t>(record_count >> 8);
    header.NbRecordL = static_cast<std::uint8_t>(record_count & 0xFF);
    header.MaxRecordLengthH = static_cast<std::uint8_t>(max_record_length >> 8);
    header.MaxRecordLengthL = static_cast<std::uint8_t>(max_record_length & 0xFF);
    header.NbAu = static_cast<std::uint8_t>(units_for(records_size));
    return header;
}

DiskFileWriter::DiskFileWriter(std::span<std::uint8_t> out, std::size_t record_count,
                               std::size_t max_record_length, std::size_t records_size)
    : out_(out.first(file_size_for(records_size))),
      records_size_(records_size),
      pos_(sizeof(DiskHeader)) {
    assert(record_count <= 0xFFFF && max_record_length <= kMaxRecordLength &&
           records_size <= kMaxRecordsSize);
    const DiskHeader header = make_header(record_count, max_record_length, records_size);
    std::memcpy(out_.data(), &header, sizeof header);
}

std::span<std::uint8_t> DiskFileWriter::add_record(std::size_t n) {
    assert(n <= kMaxRecordLength && pos_ + kRecordWordSize + n <= out_.size());
    put_high_byte_first(out_, pos_, static_cast<std::uint16_t>(n));
    const auto data = out_.subspan(pos_ + kRecordWordSize, n);
    pos_ += kRecordWordSize + n;
    return data;
}

void DiskFileWriter::add_record(std::span<const std::uint8_t> data) {
    // memcpy and memset: at -O2 ranges::copy and fill are loops of single bytes.
    const auto record = add_record(data.size());
    if (!data.empty()) std::memcpy(record.data(), data.data(), data.size());
}

std::size_t DiskFileWriter::finish() {
    // The records must add up to what the header declared.
    assert(pos_ == sizeof(DiskHeader) + records_size_);
    std::memset(out_.data() + pos_, 0x00, out_.size() - pos_);
    pos_ = out_.size();
    return pos_;
}

}  // namespace media

// Reading a container back.
#include <optional>
#include <string>

namespace media {

namespace {

std::string record_name(std::size_t index, std::size_t count) {
    return "record " + std::to_string(index + 1) + " of " + std::to_string(count);
}

// The fixed bytes of the header: everything but the record count, the declared
// maximum and NbAu.
std::optional<FormatError> check_fixed_header(std::span<const std::uint8_t> file) {
    const DiskHeader model;
    const auto* expected = reinterpret_cast<const std::uint8_t*>(&model);
    for (std::size_t at = 0; at < sizeof model; ++at) {
        if (at >= kRecordCountOffset && at < kMaxRecordLengthOffset + 2) continue;
        if (at == kUnitCountOffset) continue;
        if (file[at] == expected[at]) continue;
        const char* what = at == offsetof(DiskHeader, Check)      ? "Check"
                           : at == offsetof(DiskHeader, Flag)     ? "Flag"
                           : at < offsetof(DiskHeader, FirstAuH)  ? "Reserved1"
                           : at == offsetof(DiskHeader, FirstAuH) ? "FirstAuH"
                           : at == offsetof(DiskHeader, FirstAuL) ? "FirstAuL"
                                                                     : "Reserved2";
        return byte_error(at, what, expected[at], file[at]);
    }
    return std::nullopt;
}

struct Walk {
    std::vector<RecordView> records;
    std::size_t end = 0;                 // offset after the last record read
    std::optional<FormatError> error;    // a record that does not fit the file
};

// Reads `count` records from offset 512 on.
Walk walk_records(std::span<const std::uint8_t> file, std::size_t count) {
    Walk walk;
    std::size_t pos = kAllocationUnit;
    for (std::size_t i = 0; i < count; ++i) {
        if (pos + kRecordWordSize > file.size()) {
            walk.error = FormatError{pos, record_name(i, count), "its length word",
                                     "the end of the file"};
            return walk;
        }
        const std::size_t n = high_byte_first(file, pos);
        const std::size_t end = pos + kRecordWordSize + n;
        if (end > file.size()) {
            walk.error = FormatError{pos, record_name(i, count) + " (" + bytes_text(n) + ")",
                                     "to end by offset " + std::to_string(file.size()),
                                     "an end at offset " + std::to_string(end)};
            return walk;
        }
        walk.records.push_back({pos, file.subspan(pos + kRecordWordSize, n)});
        pos = end;
    }
    walk.end = pos;
    return walk;
}

// Only the second of two records is ever empty: an empty record from the third on is
// zero padding read as records.
constexpr std::size_t kLastPossiblyEmpty = 1;

// How many records lie before the zero padding, when they all fit: tells a wrong
// record count from a wrong record. A chain that runs into the padding before the
// last non-zero byte is no such count: that byte is damaged padding.
std::optional<std::size_t> records_before_padding(std::span<const std::uint8_t> file) {
    const auto last = std::find_if(file.rbegin(), file.rend(), [](std::uint8_t b) { return b != 0; });
    const auto content_end = static_cast<std::size_t>(file.rend() - last);
    std::size_t pos = kAllocationUnit;
    std::size_t count = 0;
    while (pos < content_end) {
        if (pos + kRecordWordSize > file.size()) return std::nullopt;
        const std::size_t n = high_byte_first(file, pos);
        if (n == 0 && count > kLastPossiblyEmpty) return std::nullopt;
        const std::size_t end = pos + kRecordWordSize + n;
        if (end > file.size()) return std::nullopt;
        pos = end;
        ++count;
    }
    return count;
}

// Records read out of the zero padding after the real ones: a raised count.
std::optional<FormatError> trailing_empty_error(const std::vector<RecordView>& records) {
    std::size_t real = records.size();
    while (real > kLastPossiblyEmpty + 1 && records[real - 1].data.empty()) --real;
    if (real == records.size()) return std::nullopt;
    return word_error(kRecordCountOffset, true,
                      "NbRecordH/NbRecordL (records before the padding)",
                      static_cast<unsigned>(real), static_cast<unsigned>(records.size()));
}

std::optional<FormatError> count_error(std::span<const std::uint8_t> file, std::size_t declared) {
    const auto found = records_before_padding(file);
    if (!found || *found == declared || *found > 0xFFFF) return std::nullopt;
    return word_error(kRecordCountOffset, true, "NbRecordH/NbRecordL (records before the padding)",
                      static_cast<unsigned>(*found), static_cast<unsigned>(declared));
}

}  // namespace

std::size_t signature_differences(std::span<const std::uint8_t> file) {
    const DiskHeader model;
    const auto* expected = reinterpret_cast<const std::uint8_t*>(&model);
    std::size_t count = 0;
    for (const std::size_t at : {offsetof(DiskHeader, Check), offsetof(DiskHeader, Flag),
                                 offsetof(DiskHeader, FirstAuH), offsetof(DiskHeader, FirstAuL)})
        if (at >= file.size() || file[at] != expected[at]) ++count;
    return count;
}

Checked<DiskFile> read_disk_file(std::span<const std::uint8_t> file) {
    if (file.size() < sizeof(DiskHeader))
        return FormatError{file.size(), "container header", "512 bytes", bytes_text(file.size())};
    if (auto error = check_fixed_header(file)) return *error;

    DiskFile disk;
    disk.record_count = high_byte_first(file, kRecordCountOffset);
    disk.max_record_length = high_byte_first(file, kMaxRecordLengthOffset);
    disk.units = file[kUnitCountOffset];

    const std::size_t declared_size = kAllocationUnit * (disk.units + 1);
    if (file.size() != declared_size) {
        const std::size_t units_by_size = file.size() / kAllocationUnit - 1;
        // Records that fill exactly the NbAu units when the file is taken at its
        // declared length: it is the file that was cut or lengthened.
        std::vector<std::uint8_t> declared(declared_size, 0x00);
        std::copy_n(file.begin(), std::min(file.size(), declared_size), declared.begin());
        const Walk as_declared = walk_records(declared, disk.record_count);
        const bool records_agree = !as_declared.error &&
                                   units_for(as_declared.end - kAllocationUnit) == disk.units;
        if (!records_agree && file.size() % kAllocationUnit == 0 && units_by_size <= kMaxUnits)
            return FormatError{kUnitCountOffset,
                               "NbAu (file of " + bytes_text(file.size()) + ")",
                               hex8(static_cast<unsigned>(units_by_size)), hex8(disk.units)};
        return FormatError{std::min(file.size(), declared_size), "file length",
                           "512 × (NbAu + 1) = " + bytes_text(declared_size),
                           bytes_text(file.size())};
    }

    Walk walk = walk_records(file, disk.record_count);
    if (walk.error) {
        if (auto error = count_error(file, disk.record_count)) return *error;
        return *walk.error;
    }
    if (auto error = trailing_empty_error(walk.records)) return *error;
    disk.records = std::move(walk.records);
    disk.records_size = walk.end - kAllocationUnit;
    if (units_for(disk.records_size) != disk.units) {
        if (auto error = count_error(file, disk.record_count)) return *error;
        return FormatError{kUnitCountOffset,
                           "NbAu (records of " + bytes_text(disk.records_size) + ")",
                           hex8(static_cast<unsigned>(units_for(disk.records_size))),
                           hex8(disk.units)};
    }
    const auto nonzero = std::find_if(file.begin() + static_cast<std::ptrdiff_t>(walk.end),
                                      file.end(), [](std::uint8_t b) { return b != 0; });
    if (nonzero != file.end()) {
        // A single non-zero byte is damaged padding, not a record the count left out.
        const bool single = std::find_if(nonzero + 1, file.end(), [](std::uint8_t b) {
                                return b != 0;
                            }) == file.end();
        if (!single)
            if (auto error = count_error(file, disk.record_count)) return *error;
        return byte_error(static_cast<std::size_t>(nonzero - file.begin()),
                          "padding after the last record", 0x00, *nonzero);
    }
    return disk;
}

}  // namespace media
