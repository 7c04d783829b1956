#include "cassette_name.hpp"

#include <cstdio>
#include <cstring>

#include "common/options.hpp"

namespace media {

bool set_k7_name(K7Name& name, const char* argument) {
    const char* text = fit::after_first(argument);
    const std::size_t length = std::strlen(text);
    if (length > name.size()) {
        std::fputs("Incorrect K7 Filename.\n", stderr);
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) name[i] = static_cast<std::uint8_t>(text[i]);
    return true;
}

bool set_k7_name_strictly(K7Name& name, std::string_view program, std::string_view value) {
    bool printable = !value.empty() && value.size() <= name.size();
    for (const char c : value) printable = printable && c >= ' ' && c <= '~';
    if (!printable) {
        fit::refuse_value(program, "name", value, "use 1 to 4 printable characters");
        return false;
    }
    // Bounded by both sizes, which some compilers cannot see through the check above.
    for (std::size_t i = 0; i < value.size() && i < name.size(); ++i)
        name[i] = static_cast<std::uint8_t>(value[i]);
    return true;
}

}  // namespace media
