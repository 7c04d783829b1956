#include "tav_file.hpp"

#include <span>


namespace picfit {

TavHeader tav_header(const TavRecord& tav, int length) {
    const auto group = media::tav::mode_facts(tav.mode != kTwoColour).group;
    return media::tav::make_header(static_cast<std::uint8_t>(tav.width / group),
                                   static_cast<std::uint8_t>(tav.height),
                                   static_cast<std::uint16_t>(length), tav.mode);
}

std::optional<TavFile> tav_file_of(const TavRecord& tav, int length) {
    // The header's 16-bit field could not tell a longer stream's length.
    if (length < 0 || length > 0xFFFF || static_cast<std::size_t>(length) > tav.stream.size())
        return std::nullopt;
    return TavFile{tav_header(tav, length),
                   std::span<const std::uint8_t>(tav.stream.data(), static_cast<std::size_t>(length))};
}

}  // namespace picfit
