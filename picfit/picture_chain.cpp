#include "picture_chain.hpp"

#include <new>
#include <utility>

#include "picture_fit.hpp"

namespace picfit {

PictureStatus picture_record(const RgbaPicture& picture, const PictureOptions& options,
                             header_TAV& record) {
    const int color = options.color != kTwoColour ? kColour : kTwoColour;
    if (!fits_mode(picture.width, picture.height, color) &&
        (!options.fit || picture.width < 1 || picture.height < 1))
        return PictureStatus::bad_size;
    try {
        LinearPicture linear = to_linear(picture, options.background);
        if (options.fit) linear = fit_picture(linear, color, options.background);
        std::vector<std::uint8_t> indices = map_picture(linear, color, options.dither);
        record.width = static_cast<std::uint16_t>(linear.width);
        record.heigth = static_cast<std::uint16_t>(linear.height);
        record.Flag = static_cast<std::uint8_t>(color);
        record.image = std::move(indices);
    } catch (const std::bad_alloc&) {
        return PictureStatus::memory;
    }
    return PictureStatus::ok;
}

}  // namespace picfit
