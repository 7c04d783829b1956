#include "disk_container.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace media {

header_Tolvan make_header(std::size_t record_count, std::size_t max_record_length,
                          std::size_t records_size) {
    header_Tolvan header;
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
      pos_(sizeof(header_Tolvan)) {
    assert(record_count <= 0xFFFF && max_record_length <= kMaxRecordLength &&
           records_size <= kMaxRecordsSize);
    const header_Tolvan header = make_header(record_count, max_record_length, records_size);
    std::memcpy(out_.data(), &header, sizeof header);
}

std::span<std::uint8_t> DiskFileWriter::add_record(std::size_t n) {
    assert(n <= kMaxRecordLength && pos_ + kRecordWordSize + n <= out_.size());
    out_[pos_] = static_cast<std::uint8_t>(n >> 8);
    out_[pos_ + 1] = static_cast<std::uint8_t>(n & 0xFF);
    const auto data = out_.subspan(pos_ + kRecordWordSize, n);
    pos_ += kRecordWordSize + n;
    return data;
}

void DiskFileWriter::add_record(std::span<const std::uint8_t> data) {
    std::ranges::copy(data, add_record(data.size()).begin());
}

std::size_t DiskFileWriter::finish() {
    // The records must add up to what the header declared.
    assert(pos_ == sizeof(header_Tolvan) + records_size_);
    std::fill(out_.begin() + static_cast<std::ptrdiff_t>(pos_), out_.end(), 0x00);
    pos_ = out_.size();
    return pos_;
}

}  // namespace media
