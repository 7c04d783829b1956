#include "picture_chain.hpp"

#include <utility>

#include "common/allocation.hpp"
#include "picture_fit.hpp"

namespace picfit {

PictureStatus picture_record(const PixelView& picture, const PictureOptions& options,
                             Picture& record) {
    const int mode = options.mode != kTwoColour ? kColour : kTwoColour;
    // A picture whose pixels are not its size is no picture to scale or map.
    if (picture.width < 1 || picture.height < 1 || (picture.channels != 3 && picture.channels != 4) ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) *
                                     static_cast<std::size_t>(picture.height) *
                                     static_cast<std::size_t>(picture.channels))
        return PictureStatus::bad_size;
    if (!fits_mode(picture.width, picture.height, mode) && !options.fit) return PictureStatus::bad_size;
    LinearPicture linear;
    std::vector<std::uint8_t> indices;
    if (!fit::try_allocate([&] {
            linear = options.fit ? fit_picture(picture, mode, options.background)
                                 : to_linear(picture, options.background);
            indices = map_picture(linear, mode, options.dither);
        }))
        return PictureStatus::memory;
    record.width = static_cast<std::size_t>(linear.width);
    record.height = static_cast<std::size_t>(linear.height);
    record.colour = mode != kTwoColour;
    record.pixels = std::move(indices);
    return PictureStatus::ok;
}

}  // namespace picfit
