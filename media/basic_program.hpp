// The BASIC DATA loader program: line 100 holds the load address and the byte count,
// lines 110 on hold up to 16 byte values each in decimal, and the last line pokes
// them into memory and calls the code. Lines end in CR LF.
#pragma once

#include <cstddef>
#include <string_view>

#include "media/address_window.hpp"

namespace media {

// Where the code may load; the address just past it must stay within its last too.
inline constexpr Window kBasicWindow{0xC380, 0xC7FF};
inline constexpr std::size_t kBasicValuesPerLine = 16;
inline constexpr unsigned kBasicFirstLineNumber = 100;
inline constexpr unsigned kBasicLineStep = 10;

inline constexpr std::string_view kBasicDataWord = " DATA ";
inline constexpr std::string_view kBasicLineEnd = "\r\n";
// The last line, after its number.
inline constexpr std::string_view kBasicRunLine =
    " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)\r\n";

// How every program opens: the first line number and its DATA word.
inline constexpr std::string_view kBasicFirstLine = "100 DATA ";
static_assert(kBasicFirstLine.substr(0, 3) == "100" && kBasicFirstLine.substr(3) == kBasicDataWord);

}  // namespace media
