#include "exe.hpp"

#include <algorithm>

namespace fitinfo {

namespace {

constexpr unsigned kLowest = 0x0200;
constexpr unsigned kAbove = 0xBFFF;  // the code ends below it, the entry lies at or below it

unsigned low_first(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | static_cast<unsigned>(bytes[at + 1]) << 8;
}

std::string flags_text(std::uint8_t flag) {
    std::string out = media::hex8(flag);
    std::vector<std::string> meanings;
    if (flag & kFlagHighLoad) meanings.emplace_back("loads at 0x1000 or above");
    if (flag & kFlagClearVdp) meanings.emplace_back("clears the video memory");
    if (flag & kFlagReaches8000) meanings.emplace_back("code reaches 0x8000");
    for (std::size_t i = 0; i < meanings.size(); ++i)
        out += (i == 0 ? " (" : ", ") + meanings[i];
    return meanings.empty() ? out : out + ")";
}

}  // namespace

bool looks_like_exe(const media::DiskFile& disk) {
    if (disk.records.empty() || disk.records[0].data.size() != kExecSize) return false;
    return differences(disk.records[0].data.subspan(kExecCheck), kExecCheckBytes) <= 1;
}

Checked read_exe(const media::DiskFile& disk) {
    using media::FormatError;
    if (disk.record_count != 2)
        return media::word_error(media::kRecordCountOffset, true, "NbRecordH/NbRecordL", 2,
                                 static_cast<unsigned>(disk.record_count));
    const auto header = disk.records[0].data;
    const std::size_t base = disk.records[0].offset + media::kRecordWordSize;
    const auto stored = disk.records[1].data;
    const std::size_t length = stored.size();
    if (length == 0)
        return FormatError{disk.records[1].offset, "length of the code record",
                           "at least 1 byte", "0"};
    if (disk.max_record_length != length)
        return media::word_error(media::kMaxRecordLengthOffset, true,
                                 "MaxRecordLengthH/L (the code length)",
                                 static_cast<unsigned>(length),
                                 static_cast<unsigned>(disk.max_record_length));

    for (std::size_t k = 0; k < kExecCheckBytes.size(); ++k)
        if (header[kExecCheck + k] != kExecCheckBytes[k])
            return media::byte_error(base + kExecCheck + k, "Check (\"VORLAX\" backwards)",
                                     kExecCheckBytes[k], header[kExecCheck + k]);
    for (std::size_t k = 0; k < 2; ++k)
        if (header[k] != 0)
            return media::byte_error(base + k, k == 0 ? "Reserved2" : "Reserved1", 0, header[k]);
    if (const unsigned version = low_first(header, kExecVersion); version != 0x0001)
        return media::word_error(base + kExecVersion, false, "VersionL/VersionH", 0x0001, version);
    if (const unsigned declared = low_first(header, kExecLength); declared != length)
        return media::word_error(base + kExecLength, false,
                                 "CodeLengthL/CodeLengthH (the code record's length)",
                                 static_cast<unsigned>(length), declared);

    const unsigned end = low_first(header, kExecEnd);
    const long load = static_cast<long>(end) - static_cast<long>(length) + 1;
    if (load < static_cast<long>(kLowest) || end >= kAbove) {
        const unsigned lowest_end = kLowest + static_cast<unsigned>(length) - 1;
        return FormatError{base + kExecEnd,
                           "RelocL/RelocH (end of " + bytes_text(length) + " of code)",
                           lowest_end < kAbove
                               ? media::hex16(lowest_end) + " to " + media::hex16(kAbove - 1)
                               : "code short enough to load at 0x0200 and end below 0xBFFF",
                           media::hex16(end)};
    }
    const unsigned branch = low_first(header, kExecBranch);
    if (branch < kLowest || branch > kAbove)
        // Out of range means the high byte is wrong.
        return FormatError{base + kExecBranch + 1, "BrL/BrH (entry address)",
                           media::hex16(kLowest) + " to " + media::hex16(kAbove),
                           media::hex16(branch)};
    const auto load_address = static_cast<unsigned>(load);
    const std::uint8_t flag = header[kExecFlag];
    const std::uint8_t expected_flag = static_cast<std::uint8_t>(
        (load_address >= 0x1000 ? kFlagHighLoad : 0) | (flag & kFlagClearVdp) |
        (load_address + length > 0x8000 ? kFlagReaches8000 : 0));
    if (flag != expected_flag)
        return media::byte_error(base + kExecFlag, "Flag", expected_flag, flag);

    Finding finding;
    finding.kind = "executable disk file (EXE)";
    finding.details = {
        container_text(disk),
        "load address: " + media::hex16(load_address),
        "end address: " + media::hex16(end),
        "entry address: " + media::hex16(branch),
        "code: " + bytes_text(length) + ", stored last byte first at offset " +
            std::to_string(disk.records[1].offset + media::kRecordWordSize),
        "flags: " + flags_text(flag),
    };
    finding.payload.assign(stored.rbegin(), stored.rend());
    return finding;
}

}  // namespace fitinfo
