// Pieces shared by the three option parsers, which all sit on POSIX getopt with its
// own diagnostics on.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "erreur.hpp"

namespace fit {

using K7Name = std::array<std::uint8_t, 4>;
inline constexpr K7Name kBlankK7Name{' ', ' ', ' ', ' '};

// Walks argv with getopt. Non-option words are collected in order wherever they stand,
// so options may come before, between or after the file names.
class OptionScanner {
public:
    OptionScanner(int argc, char** argv, const char* optstring);

    // The next option character, '?' for an unknown option or a missing argument
    // (see bad_option()), or -1 at the end.
    int next();
    [[nodiscard]] const char* argument() const;
    // The character getopt complained about, as an unsigned byte.
    [[nodiscard]] unsigned char bad_option() const;
    [[nodiscard]] const std::vector<std::string>& names() const { return names_; }

private:
    int argc_;
    char** argv_;
    std::string optstring_;
    std::vector<std::string> names_;
    unsigned char bad_ = 0;
};

// The argument after its first character, which is skipped unread (the colon of
// -r:C300). An empty argument stays empty.
const char* after_first(const char* argument);

// "Option -%c requires an argument." when `c` is one of `with_argument`, else the
// unknown-option message for a printable or unprintable character.
void report_bad_option(unsigned char c, std::string_view with_argument);

// -n: copies up to 4 characters over the first positions of the name; false (after
// "Incorrect K7 Filename.") when there are more. An empty name changes nothing.
bool set_k7_name(K7Name& name, const char* argument);

// Exactly two file names must remain; false after the message otherwise.
bool take_two_names(const std::vector<std::string>& names, std::string& source,
                    std::string& target);

// take_two_names, then the two names as typed must differ and must not lead to one
// file (see same_file): `same_name_code` is reported otherwise.
bool take_source_and_target(const std::vector<std::string>& names, std::string& source,
                            std::string& target, Reporter& report, int same_name_code);

}  // namespace fit
