// Reads the two text targets back, the BASIC loader program and the assembler
// listing, as strictly as the machine's BASIC and the assembler would take them.
// Each function returns "" when the text is sound, else the first rule it breaks.
// Independent of GoogleTest.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fit_test {

struct BasProgram {
    unsigned load = 0;               // the first value of line 100
    std::vector<std::uint8_t> code;  // the byte values of the DATA lines
};

// Lines ended by CR LF: "100 DATA load,count", then DATA lines numbered on in steps
// of 10 with 16 decimal byte values each (the last one 1 to 16), then the line that
// reads and pokes them. The count must be the number of values.
std::string decode_bas(std::span<const std::uint8_t> text, BasProgram& program);

// An empty first line, then TAB ".byte " lines of "$" and two upper-case digits
// separated by commas, 16 a line but for the last, each line ended by CR LF.
std::string decode_tasm(std::span<const std::uint8_t> text, std::vector<std::uint8_t>& code);

// decode_bas / decode_tasm, and what they give back equals the source (and, for the
// BASIC program, its load address).
std::string bas_gives_back(std::span<const std::uint8_t> text, unsigned load,
                           std::span<const std::uint8_t> source);
std::string tasm_gives_back(std::span<const std::uint8_t> text,
                            std::span<const std::uint8_t> source);

}  // namespace fit_test
