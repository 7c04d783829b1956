#include "options.hpp"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "file_io.hpp"

namespace fit {

OptionScanner::OptionScanner(int argc, char** argv, const char* optstring)
    : argc_(argc), argv_(argv), optstring_(std::string("-") + optstring) {
    // A leading '-' hands every file name back in place, so the names keep their
    // order whatever POSIXLY_CORRECT says; optind 0 restarts getopt from scratch.
    optind = 0;
    opterr = 1;
}

int OptionScanner::next() {
    for (;;) {
        const int c = ::getopt(argc_, argv_, optstring_.c_str());
        if (c == 1) {
            names_.emplace_back(optarg);
            continue;
        }
        if (c == '-') {
            // The leading '-' that keeps the names in order would make "-x-" look
            // valid; getopt would have refused it.
            if (opterr != 0) std::fprintf(stderr, "%s: invalid option -- '-'\n", argv_[0]);
            bad_ = '-';
            return '?';
        }
        if (c == '?') bad_ = static_cast<unsigned char>(optopt);
        if (c == -1) {
            // Whatever follows "--" is a file name.
            for (int i = optind; i < argc_; ++i) names_.emplace_back(argv_[i]);
            optind = argc_;
        }
        return c;
    }
}

const char* OptionScanner::argument() const { return optarg != nullptr ? optarg : ""; }

unsigned char OptionScanner::bad_option() const { return bad_; }

const char* after_first(const char* argument) {
    return argument[0] != '\0' ? argument + 1 : argument;
}

void report_bad_option(unsigned char c, std::string_view with_argument) {
    if (c != 0 && with_argument.find(static_cast<char>(c)) != std::string_view::npos)
        std::fprintf(stderr, "Option -%c requires an argument.\n", c);
    else if (std::isprint(c))
        std::fprintf(stderr, "Unknown option `-%c'.\n", c);
    else
        std::fprintf(stderr, "Unknown option character `\\x%x'.\n", static_cast<unsigned>(c));
}

bool set_k7_name(K7Name& name, const char* argument) {
    const char* text = after_first(argument);
    const std::size_t length = std::strlen(text);
    if (length > name.size()) {
        std::fputs("Incorrect K7 Filename.\n", stderr);
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) name[i] = static_cast<std::uint8_t>(text[i]);
    return true;
}

bool take_two_names(const std::vector<std::string>& names, std::string& source,
                    std::string& target) {
    if (names.size() != 2) {
        std::fputs("Two arguments required: sourceFile TargetFile.\n", stderr);
        return false;
    }
    source = names[0];
    target = names[1];
    return true;
}

bool take_source_and_target(const std::vector<std::string>& names, std::string& source,
                            std::string& target, Reporter& report, int same_name_code) {
    if (!take_two_names(names, source, target)) return false;
    // The names as typed, then the files they lead to: a target that is the source
    // under another spelling, a link or a hard link would replace it.
    if (source == target || same_file(source, target)) {
        report.erreur(same_name_code);
        return false;
    }
    return true;
}

}  // namespace fit
