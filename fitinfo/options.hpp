// fitinfo's command line:
//   fitinfo [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file...          summarise and verify
//   fitinfo -x outFile [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file  and extract a payload
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fitinfo {

// Exit statuses; with several files, the status of the first file that failed.
enum Status : int {
    kValid = 0,         // every file read without fault (and the payload was written)
    kUsage = 1,         // the options were rejected (also after -h)
    kUnreadable = 2,    // a file cannot be opened or read
    kBroken = 3,        // a file breaks a rule of its format
    kUnrecognised = 4,  // a file is of no kind fitinfo knows
    kNotExtracted = 5,  // the payload could not be written, or there is none
    kReportLost = 6,    // the report could not be written on standard output
};

struct Settings {
    std::vector<std::string> files;
    std::optional<std::string> extract_to;  // -x
    std::optional<std::uint16_t> rom_load;  // -r
    std::optional<std::uint16_t> rom_size;  // -s
};

// 0 when the run may go on, 1 when the program must exit with status 1.
int ManageArguments(int argc, char** argv, Settings& settings);

// A hexadecimal number from `lowest` to `highest`, "0x" allowed; the colon of
// -r:1000 is skipped.
std::optional<std::uint16_t> parse_hex(const char* argument, unsigned lowest, unsigned highest);

}  // namespace fitinfo
