// Reads disk files back and checks every rule of the container and of the records
// the disk writers put in it, so that any test or fuzzer can tell whether a written
// file loads and what it loads. Each function returns "" when the file is sound,
// else a description of the first rule it breaks. Independent of GoogleTest.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fit_test {

using Bytes = std::vector<std::uint8_t>;

struct DiskFile {
    std::size_t record_count = 0;       // as declared in the header
    std::size_t max_record_length = 0;  // as declared in the header
    std::size_t units = 0;              // NbAu
    std::vector<Bytes> records;         // data of each record, without its length word
};

// The container: a 512-byte header with its fixed bytes, file length
// 512 x (NbAu + 1), NbAu the fewest units that hold the records, the declared number
// of records each fitting in the file, and only zeros after the last one.
std::string parse_disk_file(std::span<const std::uint8_t> file, DiskFile& disk);

struct ExeFile {
    std::uint16_t load = 0;   // address of the first code byte
    std::uint16_t entry = 0;
    std::uint8_t flag = 0;
    Bytes code;               // in memory order, the stored record reversed again
};

// An executable disk file: two records, the 17-byte header (low byte first, version
// 1, signature, flag bits that agree with the addresses) and the code record, whose
// length is both declared as the maximum and held in the header.
std::string decode_exe(std::span<const std::uint8_t> file, ExeFile& exe);

// A tagged object text file: 71-character records only, the module line, data lines
// of 14 "B" words each but for the last one, which may be shorter and end with one
// "*" byte, each closed by "F" and blanks, then the end line. `code` gets the bytes
// the hexadecimal digits spell.
std::string decode_dos(std::span<const std::uint8_t> file, Bytes& code);

// decode_exe / decode_dos, and the code they give back equals `source`.
std::string exe_gives_back(std::span<const std::uint8_t> file, std::span<const std::uint8_t> source);
std::string dos_gives_back(std::span<const std::uint8_t> file, std::span<const std::uint8_t> source);

}  // namespace fit_test
