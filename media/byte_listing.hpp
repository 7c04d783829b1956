// The assembler source listing: an empty first line, then ".byte" directives of up to
// 16 items, "$" and two upper-case hexadecimal digits each, separated by commas; every
// line ends in CR LF.
#pragma once

#include <cstddef>
#include <string_view>

namespace media {

inline constexpr std::string_view kListingLineEnd = "\r\n";
inline constexpr std::string_view kListingDirective = "\t.byte ";
// Every directive line starts with the end of the line before it.
inline constexpr std::string_view kListingLineStart = "\r\n\t.byte ";
static_assert(kListingLineStart.substr(0, 2) == kListingLineEnd &&
              kListingLineStart.substr(2) == kListingDirective);
inline constexpr std::size_t kListingItemsPerLine = 16;

}  // namespace media
