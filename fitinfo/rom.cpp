#include "kinds.hpp"

#include <algorithm>

#include "fields_json.hpp"
#include "finding.hpp"
#include "media/byte_order.hpp"
#include "media/rom_image.hpp"
#include "recognise.hpp"

namespace fitinfo {

namespace {

using media::kRomPaged;
using media::kRomSignature;
using media::kRomSize;
using media::kRomTrailer;
using media::kRomUnpaged;

constexpr unsigned kRomBase = media::kRomBase;
constexpr unsigned kRomCodeLimit = media::kRomCodeWindow.last;
// The bytes from the base up to the code limit; the byte at the limit, 0x7FFB, below
// the trailer, is never code.
constexpr std::size_t kAreaSize = kRomCodeLimit - kRomBase;

std::string address(std::size_t offset) {
    return media::hex16(static_cast<unsigned>(offset + kRomBase));
}

}  // namespace

std::size_t rom_differences(std::span<const std::uint8_t> file) {
    // A trailer in place tells a cut or lengthened image too; its length is then the fault.
    constexpr std::size_t kLengthSlack = 512;
    const bool trailer = file.size() >= kRomTrailer + 2 && file[kRomTrailer + 1] == kRomSignature &&
                         (file[kRomTrailer] == kRomPaged || file[kRomTrailer] == kRomUnpaged);
    if (file.size() == kRomSize) return trailer ? 0 : 1;
    return trailer && file.size() < kRomSize + kLengthSlack ? 1 : kNotAtAll;
}

namespace {

struct Trailer {
    std::uint8_t marker;
    unsigned entry;
};

// The trailer (paged marker, signature, entry address) and the byte below it, which
// is never code.
media::Checked<Trailer> read_trailer(std::span<const std::uint8_t> file) {
    using media::FormatError;
    const std::uint8_t marker = file[kRomTrailer];
    if (marker != kRomPaged && marker != kRomUnpaged)
        return FormatError{kRomTrailer, "paged marker at 0x7FFC", "0xAA or 0x55 (paged)",
                           media::hex8(marker)};
    if (file[kRomTrailer + 1] != kRomSignature)
        return media::byte_error(kRomTrailer + 1, "trailer byte at 0x7FFD", kRomSignature,
                                 file[kRomTrailer + 1]);
    const unsigned entry = media::high_byte_first(file, kRomTrailer + 2);
    if (entry < kRomBase || entry > kRomCodeLimit)
        // Below 0x0200 and above 0x7FFF the high byte is wrong; 0x7FFC to 0x7FFF the low.
        return FormatError{kRomTrailer + ((entry >> 8) == 0x7F ? 3 : 2),
                           "entry address at 0x7FFE (high byte first)",
                           media::hex16(kRomBase) + " to " + media::hex16(kRomCodeLimit),
                           media::hex16(entry)};
    if (file[kAreaSize] != 0)
        return media::byte_error(kAreaSize, "byte at 0x7FFB (below the trailer)", 0, file[kAreaSize]);
    return Trailer{marker, entry};
}

struct CodeSpan {
    std::size_t from;
    std::size_t to;
};

// Where the code lies in the area below the trailer: from the load address given (no
// byte below it may be set) or the first non-zero byte, to the end the size given sets
// (no byte after it may be set) or past the last non-zero byte.
media::Checked<CodeSpan> find_code(std::span<const std::uint8_t> area,
                                   std::optional<std::uint16_t> load,
                                   std::optional<std::uint16_t> size) {
    using media::FormatError;
    const auto first_nonzero = [&](std::size_t from) {
        return static_cast<std::size_t>(
            std::find_if(area.begin() + static_cast<std::ptrdiff_t>(from), area.end(),
                         [](std::uint8_t b) { return b != 0; }) -
            area.begin());
    };
    std::size_t from = first_nonzero(0);
    if (load) {
        const std::size_t given = *load - kRomBase;
        if (from < given)
            return media::byte_error(from, "byte at " + address(from) + ", below the load address " +
                                               media::hex16(*load),
                                     0, area[from]);
        from = given;
    }
    if (!size || from >= area.size()) {
        const auto last = std::find_if(area.rbegin(), area.rend(), [](std::uint8_t b) { return b != 0; });
        return CodeSpan{from, std::max(from, static_cast<std::size_t>(area.rend() - last))};
    }
    const std::size_t to = from + *size;
    if (to > area.size())
        return FormatError{area.size(), "end of the code (load address " + address(from) +
                                            " + size " + media::hex16(*size) + ")",
                           "at most " + media::hex16(kRomCodeLimit), address(to)};
    if (const std::size_t after = first_nonzero(to); after < area.size())
        return media::byte_error(after, "byte at " + address(after) + ", after the code", 0,
                                 area[after]);
    return CodeSpan{from, to};
}

}  // namespace

media::Checked<RomImage> read_rom(std::span<const std::uint8_t> file,
                                  std::optional<std::uint16_t> load,
                                  std::optional<std::uint16_t> size) {
    if (file.size() != kRomSize)
        return media::FormatError{std::min(file.size(), kRomSize), "image length",
                                  bytes_text(kRomSize), bytes_text(file.size())};
    const auto trailer = read_trailer(file);
    if (!trailer) return trailer.error();
    const auto area = file.first(kAreaSize);
    const auto code = find_code(area, load, size);
    if (!code) return code.error();

    RomImage rom;
    rom.load_given = load.has_value();
    rom.size_given = size.has_value();
    rom.entry = trailer->entry;
    rom.paged = trailer->marker == kRomPaged;
    if (code->to > code->from) {
        rom.load = static_cast<unsigned>(code->from + kRomBase);
        rom.code.assign(area.begin() + static_cast<std::ptrdiff_t>(code->from),
                        area.begin() + static_cast<std::ptrdiff_t>(code->to));
    }
    return rom;
}

Finding describe(RomImage rom) {
    std::vector<std::string> details;
    details.push_back("image: " + bytes_text(kRomSize) + ", addresses 0x0200 to 0x7FFF");
    if (rom.load) {
        const std::size_t from = *rom.load - kRomBase;
        details.push_back(std::string(rom.load_given ? "load address (given): "
                                                     : "load address (first non-zero byte): ") +
                          address(from));
        details.push_back("code: " + bytes_text(rom.code.size()) + ", " + address(from) +
                          " to " + address(from + rom.code.size() - 1) +
                          (rom.size_given ? " (size given)" : " (up to the last non-zero byte)"));
    } else {
        details.push_back("code: none found (no non-zero byte" +
                          std::string(rom.load_given ? " from the load address on)" : ")"));
    }
    const std::uint8_t marker = rom.paged ? kRomPaged : kRomUnpaged;
    details.push_back("entry address: " + media::hex16(rom.entry));
    details.push_back("trailer: " + media::hex8(marker) +
                      (rom.paged ? " (paged)" : " (not paged)") + ", " + media::hex8(kRomSignature) + ", " +
                      media::hex8(rom.entry >> 8) + " " + media::hex8(rom.entry & 0xFF));
    return found(kind_name::kRom, std::move(details), std::move(rom), &RomImage::code);
}

void write_json(JsonWriter& json, const RomImage& f) {
    json.key("load");
    if (f.load) json.number(*f.load);
    else json.null();
    json.key("load_given").boolean(f.load_given);
    json.key("size_given").boolean(f.size_given);
    member(json, "entry", f.entry);
    json.key("paged").boolean(f.paged);
    member(json, "code_size", f.code.size());
}

Inspection inspect_rom(Span file, const InspectOptions& options) {
    return inspected(kind_name::kRom, described(read_rom(file, options.rom_load, options.rom_size)));
}

}  // namespace fitinfo
