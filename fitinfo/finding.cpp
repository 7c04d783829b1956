#include "finding.hpp"

#include <cctype>
#include <cstdio>

namespace fitinfo {

std::string char_text(std::uint8_t c) {
    if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
    return media::hex8(c);
}

std::string quoted(std::span<const std::uint8_t> text) {
    std::string out = "\"";
    for (const std::uint8_t c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

std::string quoted(std::string_view text) {
    return quoted(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string sizes_text(std::span<const std::size_t> sizes) {
    std::string out;
    for (std::size_t i = 0; i < sizes.size();) {
        std::size_t j = i;
        while (j < sizes.size() && sizes[j] == sizes[i]) ++j;
        if (!out.empty()) out += ", ";
        if (j - i > 1) out += std::to_string(j - i) + " × ";
        out += std::to_string(sizes[i]);
        i = j;
    }
    return out;
}

Container container_of(const media::DiskFile& disk) {
    return {disk.record_count, disk.max_record_length, disk.units};
}

std::string container_text(const Container& disk) {
    return "disk file: " + std::to_string(disk.record_count) +
           (disk.record_count == 1 ? " record" : " records") + ", longest " +
           bytes_text(disk.max_record_length) + " declared, " + std::to_string(disk.units) +
           (disk.units == 1 ? " allocation unit, " : " allocation units, ") +
           bytes_text(media::kAllocationUnit * (disk.units + 1));
}

std::size_t differences(std::span<const std::uint8_t> text, std::span<const std::uint8_t> model) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < model.size(); ++i)
        if (i >= text.size() || text[i] != model[i]) ++count;
    return count;
}

std::size_t differences(std::span<const std::uint8_t> text, std::string_view model) {
    return differences(text, std::span(reinterpret_cast<const std::uint8_t*>(model.data()), model.size()));
}

}  // namespace fitinfo
