// fitinfo's command line:
//   fitinfo [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file...          summarise and verify
//   fitinfo -x outFile [-r:0xRomLoadAdr] [-s:0xRomCodeSize] file  and extract a payload
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/options.hpp"
#include "messages.hpp"

namespace fitinfo {

struct Settings : fit::Voice {
    std::vector<std::string> files;         // "-" stands for standard input
    std::optional<std::string> extract_to;  // -x, --extract
    std::optional<std::uint16_t> rom_load;  // -r, --rom-load
    std::optional<std::uint16_t> rom_size;  // -s, --rom-size
    bool extract_to_stdout = false;         // -x -
    bool json = false;                      // --json
};

// fit::kGoOn when the run may go on, fit::kRefused when the program must exit with
// status 1, fit::kAnswered after --help or --version (exit status 0).
int ManageArguments(int argc, char** argv, Settings& settings);

// The options as the parser reads them, for the bash completion.
fit::OptionTable option_table();

// A hexadecimal number from `lowest` to `highest`, "0x" allowed; the colon of
// -r:1000 is skipped.
std::optional<std::uint16_t> parse_hex(const char* argument, unsigned lowest, unsigned highest);

}  // namespace fitinfo
