// Numbered error messages: each program reports its failures by code, and the code
// selects a fixed text from that program's table.
#pragma once

#include <array>
#include <cstdio>
#include <span>
#include <string_view>

namespace fit {

struct ErrorTable {
    std::span<const std::string_view> messages;  // index = code; empty entry = no text
    const char* fallback;                        // printf format taking the code
};

namespace detail {
inline constexpr std::array<std::string_view, 14> codefit_messages{
    "",
    "Same filename for source and target files.\n",
    "Cannot open source file.\n",
    "Cannot save target file.\n",
    "When loading source file.\n",
    "When saving target file.\n",
    "Memory problem.\n",
    "Allocation memory out of range.\n",
    "Branch address out of range.\n",
    "Binary source file too long.\n",
};
inline constexpr std::array<std::string_view, 14> datafit_messages{
    "",
    "Same filename for source and target files.\n",
    "Cannot open source file.\n",
    "Cannot save target file.\n",
    "When loading source file.\n",
    "When saving target file.\n",
    "Memory problem.\n",
    "Incorrect Header size.\n",
    "Incorrect Record size.\n",
    "Source file too long (640000 bytes at most).\n",
    "Record too long for a disk file (65535 bytes at most).\n",
    "Records too long for a disk file (130560 bytes at most).\n",
    "Block too long for a cassette (65536 bytes at most).\n",
    "Cassette image too long (640000 bytes at most).\n",
};
inline constexpr std::array<std::string_view, 13> picfit_messages{
    "",
    "Erreur de syntaxe: picfit source target\n",
    "When loading source file.\n",
    "When saving target file.\n",
    "Memory problem\n",
    "Cannot open source file.\n",
    "When loading source file.\n",
    "Bad PCX source format.\n",
    "Bad image size.\n",
    "Encoding problem.\n",
    // The target, not the source, is what could not be created.
    "Cannot save target file.\n",
    "When saving target file.\n",
    "Same filename for source and target files.\n",
};
}  // namespace detail

inline constexpr ErrorTable codefit_errors{detail::codefit_messages, "Erreur %i\n"};
inline constexpr ErrorTable datafit_errors{detail::datafit_messages, "Erreur %i\n"};
inline constexpr ErrorTable picfit_errors{detail::picfit_messages, "Error %i\n"};

// Prints one numbered message on standard error and remembers the first code
// reported, which becomes the exit status of a failed run.
class Reporter {
public:
    explicit Reporter(const ErrorTable& table) : table_(table) {}

    void erreur(int code);

    [[nodiscard]] int first_code() const { return first_; }
    [[nodiscard]] bool failed() const { return first_ != 0; }
    // How many messages were printed.
    [[nodiscard]] int count() const { return count_; }

private:
    const ErrorTable& table_;
    int first_ = 0;
    int count_ = 0;
};

}  // namespace fit
