// The name a cassette file carries: 4 bytes, blank-filled, as -n and --name set it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace media {

using K7Name = std::array<std::uint8_t, 4>;
inline constexpr K7Name kBlankK7Name{' ', ' ', ' ', ' '};

// -n: copies up to 4 characters over the first positions of the name; false (after
// "Incorrect K7 Filename.") when there are more. An empty name changes nothing.
bool set_k7_name(K7Name& name, const char* argument);

// --name: 1 to 4 printable ASCII characters, which the machine's loaders can show,
// copied over the first positions as -n copies them; false after the refusal line.
bool set_k7_name_strictly(K7Name& name, std::string_view program, std::string_view value);

}  // namespace media
