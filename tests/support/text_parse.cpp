#include "text_parse.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

namespace fit_test {

namespace {

constexpr std::string_view kRunLine =
    " READ A,N:FOR I=0 TO N-1:READ D:CALL POKE(A+I,D):NEXT I:CALL EXEC(A)";
constexpr std::size_t kPerLine = 16;

// Splits at CR LF; nothing may follow the last line end, and no CR or LF may stand
// alone.
std::optional<std::vector<std::string_view>> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = text.substr(0, end);
        if (line.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
        lines.push_back(line);
        text.remove_prefix(end + 2);
    }
    return lines;
}

// A decimal number without leading zeros or sign, taken from the front of `s`.
std::optional<unsigned long> take_number(std::string_view& s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    if (n == 0 || n > 9 || (n > 1 && s[0] == '0')) return std::nullopt;
    unsigned long value = 0;
    for (std::size_t i = 0; i < n; ++i) value = value * 10 + static_cast<unsigned>(s[i] - '0');
    s.remove_prefix(n);
    return value;
}

// Compares character by character: a fuzzer's memcmp hooks would weigh on every call.
bool take(std::string_view& s, std::string_view word) {
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (s[i] != word[i]) return false;
    s.remove_prefix(word.size());
    return true;
}

int hex_digit(char c) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    const auto p = digits.find(c);
    return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

std::string compare(std::span<const std::uint8_t> got, std::span<const std::uint8_t> source) {
    if (got.size() != source.size())
        return "gives back " + std::to_string(got.size()) + " bytes instead of " +
               std::to_string(source.size());
    const auto diff = std::ranges::mismatch(got, source);
    if (diff.in1 != got.end())
        return "gives back a different byte at offset " +
               std::to_string(diff.in1 - got.begin());
    return "";
}

std::string_view as_text(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string decode_bas(std::span<const std::uint8_t> text, BasProgram& program) {
    program = {};
    const auto lines = lines_of(as_text(text));
    if (!lines) return "not lines ended by CR LF";
    if (lines->size() < 3) return "fewer than three lines";

    std::string_view first = lines->front();
    if (!take(first, "100 DATA ")) return "line 100 is not a DATA line";
    const auto load = take_number(first);
    if (!load || !take(first, ",")) return "line 100 has no load address";
    const auto count = take_number(first);
    if (!count || !first.empty()) return "line 100 has no byte count";

    const std::size_t data_lines = lines->size() - 2;
    for (std::size_t i = 0; i < data_lines; ++i) {
        std::string_view line = (*lines)[i + 1];
        const std::string where = "DATA line " + std::to_string(i);
        const auto number = take_number(line);
        if (!number || *number != 110 + 10 * i) return where + ": wrong line number";
        if (!take(line, " DATA ")) return where + ": no DATA word";
        std::size_t values = 0;
        for (;;) {
            const auto value = take_number(line);
            if (!value || *value > 255) return where + ": bad value";
            program.code.push_back(static_cast<std::uint8_t>(*value));
            ++values;
            if (line.empty()) break;
            if (!take(line, ",")) return where + ": values not separated by commas";
        }
        if (values > kPerLine) return where + ": more than 16 values";
        if (values < kPerLine && i + 1 != data_lines) return where + ": fewer than 16 values";
    }

    std::string_view last = lines->back();
    const auto number = take_number(last);
    if (!number || *number != 110 + 10 * data_lines) return "the last line has the wrong number";
    if (last != kRunLine) return "the last line is not the READ line";
    if (*count != program.code.size()) return "the byte count is not the number of values";
    program.load = static_cast<unsigned>(*load);
    return "";
}

std::string decode_tasm(std::span<const std::uint8_t> text, std::vector<std::uint8_t>& code) {
    // One pass, byte by byte: a listing holds millions of characters.
    code.clear();
    code.reserve(text.size() / 4);
    const std::string_view all = as_text(text);
    std::string_view rest = all;
    const auto where = [&](std::string_view what) {
        return "directive line " + std::to_string(code.size() / kPerLine) + ": " +
               std::string(what) + " at offset " + std::to_string(all.size() - rest.size());
    };
    if (!take(rest, "\r\n")) return "the first line is not empty";
    if (rest.empty()) return "no directive line";
    bool short_line = false;
    while (!rest.empty()) {
        if (short_line) return where("a line of fewer than 16 items before the last");
        if (!take(rest, "\t.byte ")) return where("no .byte directive");
        std::size_t items = 0;
        for (;;) {
            if (rest.size() < 3 || rest[0] != '$') return where("bad item");
            const int hi = hex_digit(rest[1]);
            const int lo = hex_digit(rest[2]);
            if (hi < 0 || lo < 0) return where("bad hexadecimal digits");
            code.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
            ++items;
            rest.remove_prefix(3);
            if (take(rest, "\r\n")) break;
            if (!take(rest, ",")) return where("items not separated by commas");
        }
        if (items > kPerLine) return where("more than 16 items");
        short_line = items < kPerLine;
    }
    return "";
}

std::string bas_gives_back(std::span<const std::uint8_t> text, unsigned load,
                           std::span<const std::uint8_t> source) {
    BasProgram program;
    if (auto e = decode_bas(text, program); !e.empty()) return e;
    if (program.load != load) return "loads at " + std::to_string(program.load);
    return compare(program.code, source);
}

std::string tasm_gives_back(std::span<const std::uint8_t> text,
                            std::span<const std::uint8_t> source) {
    std::vector<std::uint8_t> code;
    if (auto e = decode_tasm(text, code); !e.empty()) return e;
    return compare(code, source);
}

}  // namespace fit_test
