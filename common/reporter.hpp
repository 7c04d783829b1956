// Numbered error messages: each program reports its failures by code, and the code
// selects a fixed text from that program's table (its messages.hpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace fit {

struct ErrorTable {
    std::span<const std::string_view> messages;  // index = code; empty entry = no text
    const char* fallback;                        // printf format taking the code
};

// The texts the three converters report in the same words, each at its own code.
namespace text {
inline constexpr std::string_view same_filename = "Same filename for source and target files.\n";
inline constexpr std::string_view cannot_open_source = "Cannot open source file.\n";
inline constexpr std::string_view cannot_save_target = "Cannot save target file.\n";
inline constexpr std::string_view when_loading = "When loading source file.\n";
inline constexpr std::string_view when_saving = "When saving target file.\n";
}  // namespace text

// The first codes of codefit's and datafit's tables: 1 is the option parser's, 2 to 6
// the frame's (frame.cpp).
inline constexpr std::array<std::string_view, 7> frame_messages{
    "",
    text::same_filename,
    text::cannot_open_source,
    text::cannot_save_target,
    text::when_loading,
    text::when_saving,
    "Memory problem.\n",
};

// A table that starts with the frame's messages and goes on with the program's own.
template <std::size_t N>
constexpr auto after_frame_messages(const std::string_view (&own)[N]) {
    std::array<std::string_view, frame_messages.size() + N> table{};
    for (std::size_t i = 0; i < frame_messages.size(); ++i) table[i] = frame_messages[i];
    for (std::size_t i = 0; i < N; ++i) table[frame_messages.size() + i] = own[i];
    return table;
}

// Whether `message` states `limit` as "(<limit> bytes at most)", for a static_assert
// beside the constant, so that a limit and the message stating it cannot drift apart.
constexpr bool states_limit(std::string_view message, std::size_t limit) {
    char digits[24] = {};
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + limit % 10);
        limit /= 10;
    } while (limit != 0);
    char stated[48] = {'('};
    std::size_t length = 1;
    while (n > 0) stated[length++] = digits[--n];
    for (const char c : std::string_view(" bytes at most)")) stated[length++] = c;
    return message.find(std::string_view(stated, length)) != std::string_view::npos;
}

// Prints one numbered message on standard error and remembers the first code
// reported, which becomes the exit status of a failed run.
class Reporter {
public:
    explicit Reporter(const ErrorTable& table) : table_(table) {}

    void error(int code);

    // With --verbose, explain() follows an error line that comes from a failed call of
    // the file layer with "name: the system's reason" on standard error.
    void set_verbose(bool on) { verbose_ = on; }
    void explain(const std::string& name) const;

    [[nodiscard]] int first_code() const { return first_; }
    [[nodiscard]] bool failed() const { return first_ != 0; }
    // How many messages were printed.
    [[nodiscard]] int count() const { return count_; }

private:
    const ErrorTable& table_;
    int first_ = 0;
    int count_ = 0;
    bool verbose_ = false;
};

}  // namespace fit
