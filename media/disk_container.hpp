// The disk file container: a 512-byte header record, then variable-length records
// (a length word, high byte first, and the data) laid end to end, padded with zero
// bytes to whole 512-byte allocation units.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace media {

inline constexpr std::size_t kAllocationUnit = 512;
inline constexpr std::size_t kRecordWordSize = 2;
inline constexpr std::size_t kMaxUnits = 255;
inline constexpr std::size_t kMaxRecordsSize = kMaxUnits * kAllocationUnit;  // 130560
inline constexpr std::size_t kMaxRecordLength = 0xFFFF;

// Every 16-bit field is split H then L: the header is big-endian throughout.
struct DiskHeader {
    std::uint8_t Check = 0xFD;
    std::uint8_t Flag = 0x00;
    std::uint8_t NbRecordH = 0;
    std::uint8_t NbRecordL = 0;
    std::uint8_t MaxRecordLengthH = 0;
    std::uint8_t MaxRecordLengthL = 0;
    std::array<std::uint8_t, 7> Reserved1{};
    std::uint8_t FirstAuH = 0x00;
    std::uint8_t FirstAuL = 0x01;  // the records start in unit 1
    std::uint8_t NbAu = 0;
    std::array<std::uint8_t, 496> Reserved2{};
};
static_assert(sizeof(DiskHeader) == kAllocationUnit);

// Offsets within DiskHeader.
inline constexpr std::size_t kRecordCountOffset = offsetof(DiskHeader, NbRecordH);
inline constexpr std::size_t kMaxRecordLengthOffset = offsetof(DiskHeader, MaxRecordLengthH);
inline constexpr std::size_t kUnitCountOffset = offsetof(DiskHeader, NbAu);

// Units that hold B bytes of records (each counted with its length word).
constexpr std::size_t units_for(std::size_t records_size) {
    return (records_size + kAllocationUnit - 1) / kAllocationUnit;
}

// Size of the whole file for B bytes of records.
constexpr std::size_t file_size_for(std::size_t records_size) {
    return kAllocationUnit * (units_for(records_size) + 1);
}

DiskHeader make_header(std::size_t record_count, std::size_t max_record_length,
                          std::size_t records_size);

// Builds one container file from the start of an output buffer. The caller fixes
// every record's length first (the header needs the total), then appends the
// records in order, then finishes.
class DiskFileWriter {
public:
    // `out` must hold file_size_for(records_size) bytes.
    DiskFileWriter(std::span<std::uint8_t> out, std::size_t record_count,
                   std::size_t max_record_length, std::size_t records_size);

    // Appends a record of n data bytes and returns them for the caller to fill.
    std::span<std::uint8_t> add_record(std::size_t n);
    // Appends a record that holds a copy of `data`.
    void add_record(std::span<const std::uint8_t> data);

    // Pads with zero bytes and returns the file length.
    std::size_t finish();

private:
    std::span<std::uint8_t> out_;
    [[maybe_unused]] std::size_t records_size_;  // checked by an assertion only
    std::size_t pos_;
};

}  // namespace media

// Reading a container back: every rule of the layout above is checked, and the first
// one the file breaks is reported with its offset.
#include <string>
#include <vector>

#include "media/format_error.hpp"

namespace media {

// How many of the header's four signature bytes (Check, Flag, FirstAuH, FirstAuL)
// differ from a container's, counting those past the end of `file`.
std::size_t signature_differences(std::span<const std::uint8_t> file);

struct RecordView {
    std::size_t offset;                  // of its length word in the file
    std::span<const std::uint8_t> data;  // the data bytes after it
};

struct DiskFile {
    std::size_t record_count = 0;       // as declared, equal to records.size()
    std::size_t max_record_length = 0;  // as declared; the writers decide what it means
    std::size_t units = 0;              // NbAu
    std::size_t records_size = 0;       // B: the records with their length words
    std::vector<RecordView> records;
};

// Reads a whole container file. The records view the bytes of `file`.
Checked<DiskFile> read_disk_file(std::span<const std::uint8_t> file);

}  // namespace media
