#include "kinds.hpp"

#include <algorithm>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/byte_order.hpp"
#include "media/exe_file.hpp"

namespace fitinfo {

namespace {

using media::exec_flag;
using media::kExecBranch;
using media::kExecCheck;
using media::kExecCheckBytes;
using media::kExecClearVdp;
using media::kExecEnd;
using media::kExecFlag;
using media::kExecHighEnd;
using media::kExecHighLoad;
using media::kExecLength;
using media::kExecSize;
using media::kExecVersion;
using media::kExecVersionValue;
using media::kExecWindow;

constexpr unsigned kLowest = kExecWindow.first;
constexpr unsigned kAbove = kExecWindow.last;  // the code ends below it, the entry lies at or below it

std::string flags_text(std::uint8_t flag) {
    std::string out = media::hex8(flag);
    std::vector<std::string> meanings;
    if (flag & kExecHighLoad) meanings.emplace_back("loads at 0x1000 or above");
    if (flag & kExecClearVdp) meanings.emplace_back("clears the video memory");
    if (flag & kExecHighEnd) meanings.emplace_back("code reaches 0x8000");
    for (std::size_t i = 0; i < meanings.size(); ++i)
        out += (i == 0 ? " (" : ", ") + meanings[i];
    return meanings.empty() ? out : out + ")";
}


// The two records' rules: their count, a code record, and the three lengths that must
// agree; the first broken, or none.
std::optional<media::FormatError> records_fault(const media::DiskFile& disk) {
    if (disk.record_count != 2)
        return media::word_error(media::kRecordCountOffset, true, "NbRecordH/NbRecordL", 2,
                                 static_cast<unsigned>(disk.record_count));
    const std::size_t length = disk.records[1].data.size();
    if (length == 0)
        return media::FormatError{disk.records[1].offset, "length of the code record",
                                  "at least 1 byte", "0"};
    const unsigned declared_length = media::low_byte_first(disk.records[0].data, kExecLength);
    if (disk.max_record_length != length && disk.max_record_length == declared_length)
        // Both headers agree: the code record's own length word is wrong.
        return media::word_error(disk.records[1].offset, true,
                                 "length of the code record (the declared code length)",
                                 declared_length, static_cast<unsigned>(length));
    if (disk.max_record_length != length)
        return media::word_error(media::kMaxRecordLengthOffset, true,
                                 "MaxRecordLengthH/L (the code length)",
                                 static_cast<unsigned>(length),
                                 static_cast<unsigned>(disk.max_record_length));
    return std::nullopt;
}

// The header's fixed bytes, version and code length, `base` being its offset in the
// file; the first broken, or none.
std::optional<media::FormatError> fixed_fault(std::span<const std::uint8_t> header,
                                              std::size_t base, std::size_t length) {
    for (std::size_t k = 0; k < kExecCheckBytes.size(); ++k)
        if (header[kExecCheck + k] != kExecCheckBytes[k])
            return media::byte_error(base + kExecCheck + k, "Check (\"VORLAX\" backwards)",
                                     kExecCheckBytes[k], header[kExecCheck + k]);
    for (std::size_t k = 0; k < 2; ++k)
        if (header[k] != 0)
            return media::byte_error(base + k, k == 0 ? "Reserved2" : "Reserved1", 0, header[k]);
    if (const unsigned version = media::low_byte_first(header, kExecVersion); version != kExecVersionValue)
        return media::word_error(base + kExecVersion, false, "VersionL/VersionH",
                                 kExecVersionValue, version);
    if (const unsigned declared_length = media::low_byte_first(header, kExecLength); declared_length != length)
        return media::word_error(base + kExecLength, false,
                                 "CodeLengthL/CodeLengthH (the code record's length)",
                                 static_cast<unsigned>(length), declared_length);
    return std::nullopt;
}

}  // namespace

bool looks_like_exe(const media::DiskFile& disk) {
    if (disk.records.empty() || disk.records[0].data.size() != kExecSize) return false;
    return differences(disk.records[0].data.subspan(kExecCheck), kExecCheckBytes) <= 1;
}

std::size_t exe_faults(const media::DiskFile& disk) {
    if (disk.records.empty() || disk.records[0].data.size() != kExecSize) return kNotAtAll;
    const auto header = disk.records[0].data;
    const std::size_t length = disk.records.size() > 1 ? disk.records[1].data.size() : 0;
    std::size_t faults = differences(header.subspan(kExecCheck), kExecCheckBytes);
    faults += disk.record_count != 2;
    faults += disk.max_record_length != length;
    faults += (header[0] != 0) + (header[1] != 0);
    faults += media::low_byte_first(header, kExecVersion) != kExecVersionValue;
    faults += media::low_byte_first(header, kExecLength) != length;
    return faults;
}

media::Checked<ExeFile> read_exe(const media::DiskFile& disk) {
    using media::FormatError;
    if (auto fault = records_fault(disk)) return *fault;
    const auto header = disk.records[0].data;
    const std::size_t base = disk.records[0].offset + media::kRecordWordSize;
    const auto stored = disk.records[1].data;
    const std::size_t length = stored.size();
    if (auto fault = fixed_fault(header, base, length)) return *fault;

    const unsigned end = media::low_byte_first(header, kExecEnd);
    const long load = static_cast<long>(end) - static_cast<long>(length) + 1;
    if (load < static_cast<long>(kLowest) || end >= kAbove) {
        const unsigned lowest_end = kLowest + static_cast<unsigned>(length) - 1;
        return FormatError{base + kExecEnd,
                           "RelocL/RelocH (end of " + bytes_text(length) + " of code)",
                           lowest_end < kAbove
                               ? media::hex16(lowest_end) + " to " + media::hex16(kAbove - 1)
                               : "code short enough to load at " + media::hex16(kLowest) +
                                     " and end below " + media::hex16(kAbove),
                           media::hex16(end)};
    }
    const unsigned branch = media::low_byte_first(header, kExecBranch);
    if (branch < kLowest || branch > kAbove)
        // Out of range means the high byte is wrong.
        return FormatError{base + kExecBranch + 1, "BrL/BrH (entry address)",
                           media::hex16(kLowest) + " to " + media::hex16(kAbove),
                           media::hex16(branch)};
    const auto load_address = static_cast<unsigned>(load);
    const std::uint8_t flag = header[kExecFlag];
    // -c is the one bit the file chooses.
    const std::uint8_t expected_flag = exec_flag(static_cast<int>(load_address),
                                                 static_cast<int>(length), flag & kExecClearVdp);
    if (flag != expected_flag)
        return media::byte_error(base + kExecFlag, "Flag", expected_flag, flag);

    ExeFile exe;
    exe.container = container_of(disk);
    exe.load = load_address;
    exe.end = end;
    exe.entry = branch;
    exe.flag = flag;
    exe.code_offset = disk.records[1].offset + media::kRecordWordSize;
    exe.code.assign(stored.rbegin(), stored.rend());
    return exe;
}

Finding describe(ExeFile exe) {
    std::vector<std::string> details{
        container_text(exe.container),
        "load address: " + media::hex16(exe.load),
        "end address: " + media::hex16(exe.end),
        "entry address: " + media::hex16(exe.entry),
        "code: " + bytes_text(exe.code.size()) + ", stored last byte first at offset " +
            std::to_string(exe.code_offset),
        "flags: " + flags_text(exe.flag),
    };
    return found(kind_name::kExe, std::move(details), std::move(exe), &ExeFile::code);
}

void write_json(JsonWriter& json, const ExeFile& f) {
    write_container(json, f.container);
    member(json, "load", f.load);
    member(json, "end", f.end);
    member(json, "entry", f.entry);
    member(json, "flag", f.flag);
    member(json, "code_offset", f.code_offset);
    member(json, "code_size", f.code.size());
}

}  // namespace fitinfo
