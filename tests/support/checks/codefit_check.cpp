#include <algorithm>
#include <array>
#include <optional>

#include "checks.hpp"
#include "codefit/converters.hpp"
#include "codefit/types.hpp"
#include "input.hpp"
#include "run.hpp"
#include "support/cassette_parse.hpp"
#include "support/disk_parse.hpp"
#include "support/text_parse.hpp"

namespace fit_fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Range {
    int first, last;
    [[nodiscard]] bool holds(int v) const { return v >= first && v <= last; }
};

// The code the machine refuses for these settings, 0 when it takes them: the load
// address (7), the entry address (8), then the end of the code (9). None for a type
// this check has no rules of.
std::optional<int> refusal(const codefit::State& s, int length) {
    const int reloc = s.load_address;
    const int entry = s.entry_address;
    const int end = reloc + length;  // just past the last code byte
    switch (s.type_number) {
    case codefit::kEXE: {
        const Range memory{0x0200, 0xBFFF};
        if (!memory.holds(reloc)) return 7;
        if (!memory.holds(entry)) return 8;
        return end > 0xBFFF ? 9 : 0;
    }
    case codefit::kDOS:
        if (reloc != 0x1000) return 7;
        if (entry != 0x1000) return 8;
        return length > 45056 ? 9 : 0;
    case codefit::kROM: {
        const Range cartridge{0x0200, 0x7FFB};
        if (!cartridge.holds(reloc)) return 7;
        if (!cartridge.holds(entry)) return 8;
        return end > 0x7FFB ? 9 : 0;
    }
    case codefit::kK7: {
        const Range low{0x8000, 0xBFFF};
        const Range high{0xC300, 0xC7FF};
        if (!low.holds(reloc) && !high.holds(reloc)) return 7;
        if (entry != reloc) return 8;
        constexpr std::array<int, 3> high_limit{0xC7FF, 0xC7FE, 0xC7FA};
        const int limit = low.holds(reloc) ? 0xBFFF : high_limit[static_cast<std::size_t>(s.loaderk7)];
        return end > limit ? 9 : 0;
    }
    case codefit::kBAS: {
        const Range window{0xC380, 0xC7FF};
        if (!window.holds(reloc)) return 7;
        if (entry != reloc) return 8;
        return end > 0xC7FF ? 9 : 0;
    }
    default:
        return std::nullopt;
    }
}

std::string check_exe(const codefit::State& s, std::span<const std::uint8_t> file,
                      const Bytes& code) {
    fit_test::ExeFile exe;
    if (auto e = fit_test::decode_exe(file, exe); !e.empty()) return e;
    if (exe.code != code) return "the executable gives back other code";
    if (exe.load != s.load_address || exe.entry != s.entry_address) return "wrong addresses";
    if (((exe.flag & 0x02) != 0) != s.clearvdp) return "the clear flag disagrees with -c";
    return "";
}

std::string check_rom(const codefit::State& s, std::span<const std::uint8_t> image,
                      const Bytes& code) {
    if (image.size() != 0x7E00) return "the image is not 32256 bytes";
    const std::size_t at = s.load_address - 0x0200u;
    const std::array<std::uint8_t, 4> trailer{
        static_cast<std::uint8_t>(s.pagination ? 0x55 : 0xAA), 0x8C,
        static_cast<std::uint8_t>(s.entry_address >> 8), static_cast<std::uint8_t>(s.entry_address & 0xFF)};
    if (!std::ranges::equal(image.last(4), trailer)) return "wrong trailer";
    if (!std::ranges::equal(image.subspan(at, code.size()), code)) return "the code is not at its address";
    const auto zero = [](std::uint8_t b) { return b == 0; };
    if (!std::all_of(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(at), zero) ||
        !std::all_of(image.begin() + static_cast<std::ptrdiff_t>(at + code.size()), image.end() - 4, zero))
        return "a non-zero byte outside the code";
    return "";
}

std::string check_k7(const codefit::State& s, std::span<const std::uint8_t> image,
                     const Bytes& code) {
    const auto parsed = fit_test::parse_cassette(image);
    if (!parsed.ok()) return parsed.error;
    const bool loader = s.loaderk7 == 1 || s.loaderk7 == 2;
    if (parsed.blocks.size() != (loader ? 3u : 1u)) return "wrong number of blocks";
    for (const auto& b : parsed.blocks)
        if (b.name != s.K7Name) return "a block does not carry the name";
    if (loader && (parsed.blocks[0].start != 0xC0CC || parsed.blocks[1].start != 0x0FDD))
        return "the loader blocks are not at the loader's addresses";
    const auto& last = parsed.blocks.back();
    if (last.start != s.load_address || last.data != code) return "the code block does not load the code";
    return "";
}

}  // namespace

std::string check_codefit(std::span<const std::uint8_t> data) {
    Input in(data);
    codefit::State s;
    s.type_number = in.pick_row_number(codefit::kTargetTypes);
    s.load_address = static_cast<std::uint16_t>(in.little(2));
    const std::uint8_t flags = in.byte();
    const auto entry = static_cast<std::uint16_t>(in.little(2));
    s.entry_address = (flags & 0x01) != 0 ? s.load_address : entry;
    s.pagination = (flags & 0x02) != 0;
    s.clearvdp = (flags & 0x04) != 0;
    s.loaderk7 = (flags >> 3 & 0x03) % 3;
    for (auto& c : s.K7Name) c = in.byte();
    const std::size_t length = in.little(2);
    const Bytes code = in.source((flags & 0x20) != 0, length, codefit::kCapacities.in);
    if (code.empty()) return "";  // the frame never converts an empty source

    static Bench bench;
    const Outcome o = bench.run(codefit::convert, s, code, codefit::kCapacities.out,
                                fit::codefit_errors);
    if (!o.broken.empty()) return o.broken;
    const std::optional<int> expected = refusal(s, static_cast<int>(code.size()));
    if (expected ? o.code != *expected : o.code != 0 && (o.code < 7 || o.code > 9))
        return "reported " + std::to_string(o.code) + " where " +
               (expected ? std::to_string(*expected) : std::string("0, 7, 8 or 9")) + " was due";
    if (o.result != 0) return "";

    switch (s.type_number) {
    case codefit::kEXE: return check_exe(s, o.file, code);
    case codefit::kDOS: return fit_test::dos_gives_back(o.file, code);
    case codefit::kROM: return check_rom(s, o.file, code);
    case codefit::kK7: return check_k7(s, o.file, code);
    case codefit::kBAS: return fit_test::bas_gives_back(o.file, s.load_address, code);
    default: return fitinfo_takes(o.file);
    }
}

}  // namespace fit_fuzz
