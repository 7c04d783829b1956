#include "rom.hpp"

#include <algorithm>

namespace fitinfo {

bool looks_like_rom(std::span<const std::uint8_t> file, bool& exact) {
    exact = file.size() == kRomSize && file[kRomTrailer + 1] == kRomSignature &&
            (file[kRomTrailer] == kRomPaged || file[kRomTrailer] == kRomUnpaged);
    return file.size() == kRomSize;
}

Checked read_rom(std::span<const std::uint8_t> file, std::optional<std::uint16_t> load,
                 std::optional<std::uint16_t> size) {
    using media::FormatError;
    if (file.size() != kRomSize)
        return FormatError{std::min(file.size(), kRomSize), "image length", bytes_text(kRomSize),
                           bytes_text(file.size())};
    const std::uint8_t marker = file[kRomTrailer];
    if (marker != kRomPaged && marker != kRomUnpaged)
        return FormatError{kRomTrailer, "paged marker at 0x7FFC", "0xAA or 0x55 (paged)",
                           media::hex8(marker)};
    if (file[kRomTrailer + 1] != kRomSignature)
        return media::byte_error(kRomTrailer + 1, "trailer byte at 0x7FFD", kRomSignature,
                                 file[kRomTrailer + 1]);
    const unsigned entry = static_cast<unsigned>(file[kRomTrailer + 2]) << 8 | file[kRomTrailer + 3];
    if (entry < kRomBase || entry > kRomCodeLimit)
        // Below 0x0200 and above 0x7FFF the high byte is wrong; 0x7FFC to 0x7FFF the low.
        return FormatError{kRomTrailer + ((entry >> 8) == 0x7F ? 3 : 2),
                           "entry address at 0x7FFE (high byte first)",
                           media::hex16(kRomBase) + " to " + media::hex16(kRomCodeLimit),
                           media::hex16(entry)};
    const std::size_t area_size = kRomCodeLimit - kRomBase;  // 0x7FFB is never code
    if (file[area_size] != 0)
        return media::byte_error(area_size, "byte at 0x7FFB (below the trailer)", 0,
                                 file[area_size]);

    const auto area = file.first(area_size);
    const auto address = [](std::size_t offset) {
        return media::hex16(static_cast<unsigned>(offset + kRomBase));
    };
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
    std::size_t to = from;
    if (size && from < area.size()) {
        to = from + *size;
        if (to > area.size())
            return FormatError{area.size(), "end of the code (load address " + address(from) +
                                                " + size " + media::hex16(*size) + ")",
                               "at most 0x7FFB", address(to)};
        if (const std::size_t after = first_nonzero(to); after < area.size())
            return media::byte_error(after, "byte at " + address(after) + ", after the code", 0,
                                     area[after]);
    } else {
        const auto last = std::find_if(area.rbegin(), area.rend(), [](std::uint8_t b) { return b != 0; });
        to = std::max(from, static_cast<std::size_t>(area.rend() - last));
    }

    Finding finding;
    finding.kind = "ROM cartridge image";
    finding.details.push_back("image: " + bytes_text(kRomSize) + ", addresses 0x0200 to 0x7FFF");
    if (to > from) {
        finding.payload.assign(area.begin() + static_cast<std::ptrdiff_t>(from),
                               area.begin() + static_cast<std::ptrdiff_t>(to));
        finding.details.push_back(std::string(load ? "load address (given): "
                                                   : "load address (first non-zero byte): ") +
                                  address(from));
        finding.details.push_back("code: " + bytes_text(to - from) + ", " + address(from) + " to " +
                                  address(to - 1) +
                                  (size ? " (size given)" : " (up to the last non-zero byte)"));
    } else {
        finding.details.push_back("code: none found (no non-zero byte" +
                                  std::string(load ? " from the load address on)" : ")"));
    }
    finding.details.push_back("entry address: " + media::hex16(entry));
    finding.details.push_back("trailer: " + media::hex8(marker) +
                              (marker == kRomPaged ? " (paged)" : " (not paged)") + ", 0x8C, " +
                              media::hex8(entry >> 8) + " " + media::hex8(entry & 0xFF));
    return finding;
}

}  // namespace fitinfo
