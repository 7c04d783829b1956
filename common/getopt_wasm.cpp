// getopt for the WebAssembly module, in place of wasi-libc's: the programs' short
// options must scan and refuse exactly as on the command line, where the C library's
// getopt (glibc's) words the refusals. Only what the option scanner asks for is here:
// options and file names kept in order (an option string that starts with '-'),
// clustered options, values in the same word or the next, and optind = 0 to start over.
#include <cstdio>
#include <cstring>

extern "C" {

char* optarg = nullptr;
int optind = 1;
int opterr = 1;
int optopt = '?';

int getopt(int argc, char* const argv[], const char* optstring) {
    // Where the scan stands inside a cluster of options ("-bc"), or nullptr.
    static const char* next_char = nullptr;
    if (optind == 0) {
        optind = 1;
        next_char = nullptr;
    }
    optarg = nullptr;
    if (next_char == nullptr || *next_char == '\0') {
        next_char = nullptr;
        if (optind >= argc) return -1;
        const char* word = argv[optind];
        if (std::strcmp(word, "--") == 0) {
            ++optind;
            return -1;
        }
        if (word[0] != '-' || word[1] == '\0') {
            if (optstring[0] != '-') return -1;
            optarg = argv[optind++];
            return 1;
        }
        next_char = word + 1;
    }
    const char c = *next_char++;
    const char* spec = std::strchr(optstring, c);
    const bool word_done = *next_char == '\0';
    if (spec == nullptr || c == ':' || c == ';') {
        if (word_done) ++optind;
        if (opterr != 0) std::fprintf(stderr, "%s: invalid option -- '%c'\n", argv[0], c);
        optopt = c;
        return '?';
    }
    if (spec[1] != ':') {
        if (word_done) ++optind;
        return c;
    }
    if (!word_done) {
        optarg = const_cast<char*>(next_char);
        ++optind;
    } else if (optind + 1 < argc) {
        optarg = argv[optind + 1];
        optind += 2;
    } else {
        ++optind;
        next_char = nullptr;
        if (opterr != 0)
            std::fprintf(stderr, "%s: option requires an argument -- '%c'\n", argv[0], c);
        optopt = c;
        return optstring[optstring[0] == '-' || optstring[0] == '+' ? 1 : 0] == ':' ? ':' : '?';
    }
    next_char = nullptr;
    return c;
}

}  // extern "C"
