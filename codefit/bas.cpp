// BASIC loader program: DATA lines with the load address, the byte count and every
// byte of the code in decimal, then a line that pokes them into memory and calls the
// code.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <span>
#include <string_view>

#include "types.hpp"
#include "media/basic_program.hpp"

namespace codefit {

namespace {

using media::kBasicWindow;
constexpr std::size_t kValuesPerLine = media::kBasicValuesPerLine;
constexpr std::string_view kDataWord = media::kBasicDataWord;
constexpr std::string_view kLineEnd = media::kBasicLineEnd;

// The decimal text of every byte value, without leading zeros, and a comma after it:
// one 4-byte store a value, whatever its length.
struct ByteText {
    std::array<char, 4> text{};
    std::size_t size = 0;  // digits only
};

constexpr std::array<ByteText, 256> kByteText = [] {
    std::array<ByteText, 256> table{};
    for (int v = 0; v < 256; ++v) {
        ByteText& t = table[static_cast<std::size_t>(v)];
        if (v >= 100) t.text[t.size++] = static_cast<char>('0' + v / 100);
        if (v >= 10) t.text[t.size++] = static_cast<char>('0' + v / 10 % 10);
        t.text[t.size++] = static_cast<char>('0' + v % 10);
        t.text[t.size] = ',';
    }
    return table;
}();

// The longest text: 1151 bytes of 255 at the lowest address, 72 byte lines.
constexpr std::size_t kLongestText = 5418;
static_assert(kLongestText <= kCapacities.out);

// Appends characters to out_buffer from its start.
class Text {
public:
    explicit Text(std::span<std::uint8_t> out) : out_(out) {}

    void put(std::string_view s) {
        std::memcpy(out_.data() + size_, s.data(), s.size());
        size_ += s.size();
    }
    // A value and its comma, or without the comma, which what follows then writes
    // over; the text is always followed by more, up to its last line.
    void put_value(std::uint8_t v, bool comma) {
        const ByteText& t = kByteText[v];
        std::memcpy(out_.data() + size_, t.text.data(), t.text.size());
        size_ += t.size + (comma ? 1 : 0);
    }
    void put_number(unsigned value) {
        std::array<char, 10> digits{};
        char* const first = digits.data();
        const char* const end = std::to_chars(first, first + digits.size(), value).ptr;
        put({first, end});
    }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t size_ = 0;
};

}  // namespace

int BasConv(const State& state, fit::Work& work, fit::Reporter& report) {
    const int reloc = state.load_address;
    if (!ranges_hold({.load = kBasicWindow.holds(reloc),
                      .entry = state.entry_address == state.load_address,
                      .end = reloc + work.LengthIN <= kBasicWindow.last},
                     report))
        return 1;

    Text text(work.out_buffer);
    unsigned line_number = media::kBasicFirstLineNumber;
    text.put_number(line_number);
    text.put(kDataWord);
    text.put_number(state.load_address);
    text.put(",");
    text.put_number(static_cast<unsigned>(work.LengthIN));

    // Full lines of 16 values, commas only between the values of a line.
    const auto code = work.input();
    for (std::size_t i = 0; i < code.size(); i += kValuesPerLine) {
        line_number += media::kBasicLineStep;
        text.put(kLineEnd);
        text.put_number(line_number);
        text.put(kDataWord);
        const auto line = code.subspan(i, std::min(kValuesPerLine, code.size() - i));
        for (std::size_t k = 0; k < line.size(); ++k) text.put_value(line[k], k + 1 < line.size());
    }
    text.put(kLineEnd);
    text.put_number(line_number + media::kBasicLineStep);
    text.put(media::kBasicRunLine);
    work.LengthOUT = static_cast<int>(text.size());
    return 0;
}

}  // namespace codefit
