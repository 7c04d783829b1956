#include "disk_parse.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace fit_test {

namespace {

constexpr std::size_t kUnit = 512;

std::size_t word_be(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::size_t>(b[at]) << 8 | b[at + 1];
}
std::uint16_t word_le(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool all_zero(std::span<const std::uint8_t> b) {
    return std::ranges::all_of(b, [](std::uint8_t x) { return x == 0; });
}

std::string at(std::string_view what, std::size_t offset) {
    return std::string(what) + " at offset " + std::to_string(offset);
}

std::string compare(const Bytes& got, std::span<const std::uint8_t> source) {
    if (got.size() != source.size())
        return "gives back " + std::to_string(got.size()) + " bytes instead of " +
               std::to_string(source.size());
    const auto diff = std::ranges::mismatch(got, source);
    if (diff.in1 != got.end())
        return at("gives back a different byte", static_cast<std::size_t>(diff.in1 - got.begin()));
    return "";
}

// Value of one upper-case hexadecimal digit, or -1.
int digit(std::uint8_t c) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    const auto p = digits.find(static_cast<char>(c));
    return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

// Decodes `n` bytes of digit pairs from rec[pos]; false on a bad digit.
bool hex_bytes(const Bytes& rec, std::size_t pos, std::size_t n, Bytes& code) {
    if (pos + 2 * n > rec.size()) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const int hi = digit(rec[pos + 2 * i]);
        const int lo = digit(rec[pos + 2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        code.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return true;
}

Bytes text_line(std::string_view text) {
    Bytes line(71, ' ');
    std::ranges::copy(text, line.begin());
    return line;
}

}  // namespace

std::string parse_disk_file(std::span<const std::uint8_t> file, DiskFile& disk) {
    disk = {};
    if (file.size() < kUnit || file.size() % kUnit != 0)
        return "length " + std::to_string(file.size()) + " is not a whole number of units";
    if (file[0] != 0xFD) return "Check is not 0xFD";
    if (file[1] != 0x00) return "Flag is not 0";
    if (!all_zero(file.subspan(6, 7))) return "Reserved1 is not zero";
    if (file[13] != 0x00 || file[14] != 0x01) return "the records do not start in unit 1";
    if (!all_zero(file.subspan(16, kUnit - 16))) return "Reserved2 is not zero";
    disk.record_count = word_be(file, 2);
    disk.max_record_length = word_be(file, 4);
    disk.units = file[15];
    if (file.size() != kUnit * (disk.units + 1))
        return "length " + std::to_string(file.size()) + " does not match NbAu " +
               std::to_string(disk.units);

    std::size_t pos = kUnit;
    for (std::size_t i = 0; i < disk.record_count; ++i) {
        if (pos + 2 > file.size()) return at("record " + std::to_string(i) + " is missing", pos);
        const std::size_t n = word_be(file, pos);
        if (pos + 2 + n > file.size())
            return at("record " + std::to_string(i) + " runs past the end", pos);
        disk.records.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(pos + 2),
                                  file.begin() + static_cast<std::ptrdiff_t>(pos + 2 + n));
        pos += 2 + n;
    }
    const std::size_t records_size = pos - kUnit;
    if (disk.units != (records_size + kUnit - 1) / kUnit)
        return "NbAu " + std::to_string(disk.units) + " is not the fewest units for " +
               std::to_string(records_size) + " bytes of records";
    if (!all_zero(file.subspan(pos))) return at("a non-zero byte follows the last record", pos);
    return "";
}

std::string decode_exe(std::span<const std::uint8_t> file, ExeFile& exe) {
    exe = {};
    DiskFile disk;
    if (auto e = parse_disk_file(file, disk); !e.empty()) return e;
    if (disk.record_count != 2) return "not two records";
    const Bytes& head = disk.records[0];
    const Bytes& stored = disk.records[1];
    if (head.size() != 17) return "the executable header is not 17 bytes";
    if (disk.max_record_length != stored.size())
        return "the declared maximum is not the code length";
    if (stored.empty()) return "no code";
    if (head[0] != 0 || head[1] != 0) return "reserved bytes are not zero";
    if (word_le(head, 4) != stored.size()) return "CodeLength is not the code record's length";
    if (head[9] != 0x01 || head[10] != 0x00) return "version is not 1";
    if (!std::ranges::equal(std::span(head).subspan(11), std::string_view("XALROV")))
        return "no signature";

    const int last = word_le(head, 6);
    const int load = last - static_cast<int>(stored.size()) + 1;
    if (load < 0) return "the code starts below address 0";
    exe.load = static_cast<std::uint16_t>(load);
    exe.entry = word_le(head, 2);
    exe.flag = head[8];
    if ((exe.flag & ~0x07) != 0) return "unknown flag bits";
    if (((exe.flag & 0x01) != 0) != (load >= 0x1000)) return "flag bit 0 disagrees with the load address";
    if (((exe.flag & 0x04) != 0) != (last >= 0x8000)) return "flag bit 2 disagrees with the end address";
    exe.code.assign(stored.rbegin(), stored.rend());
    return "";
}

std::string decode_dos(std::span<const std::uint8_t> file, Bytes& code) {
    code.clear();
    DiskFile disk;
    if (auto e = parse_disk_file(file, disk); !e.empty()) return e;
    if (disk.max_record_length != 71) return "the declared maximum is not 71";
    if (disk.records.size() < 3) return "fewer than three records";
    for (const Bytes& rec : disk.records)
        if (rec.size() != 71) return "a record is not 71 characters";
    if (disk.records.front() != text_line(std::string_view("K\0\0\0\0VORLAX  F", 14)))
        return "the first record is not the module line";
    if (disk.records.back() != text_line(":CODEFIT CONVERTER 2.0"))
        return "the last record is not the end line";

    const std::size_t data_lines = disk.records.size() - 2;
    for (std::size_t r = 0; r < data_lines; ++r) {
        const Bytes& rec = disk.records[r + 1];
        const bool last = r + 1 == data_lines;
        const std::string where = "data line " + std::to_string(r);
        std::size_t pos = 0;
        std::size_t words = 0;
        for (; pos < rec.size() && rec[pos] == 'B'; pos += 5, ++words)
            if (!hex_bytes(rec, pos + 1, 2, code)) return where + ": bad word";
        if (pos < rec.size() && rec[pos] == '*') {
            if (!last) return where + ": a lone byte before the last line";
            if (!hex_bytes(rec, pos + 1, 1, code)) return where + ": bad lone byte";
            pos += 3;
        } else if (words == 0) {
            return where + ": no data";
        }
        if (!last && words != 14) return where + ": not 14 words";
        if (pos >= rec.size() || rec[pos] != 'F') return where + ": not closed by F";
        if (!std::all_of(rec.begin() + static_cast<std::ptrdiff_t>(pos + 1), rec.end(),
                         [](std::uint8_t c) { return c == ' '; }))
            return where + ": not blank after F";
    }
    return "";
}

std::string exe_gives_back(std::span<const std::uint8_t> file, std::span<const std::uint8_t> source) {
    ExeFile exe;
    if (auto e = decode_exe(file, exe); !e.empty()) return e;
    return compare(exe.code, source);
}

std::string dos_gives_back(std::span<const std::uint8_t> file, std::span<const std::uint8_t> source) {
    Bytes code;
    if (auto e = decode_dos(file, code); !e.empty()) return e;
    return compare(code, source);
}

}  // namespace fit_test
