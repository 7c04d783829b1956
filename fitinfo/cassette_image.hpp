// What a cassette image holds: a code block (after the two BASIC loader blocks, or
// alone) loaded in one of the two address windows, or data blocks at 0 cut from one
// source.
#pragma once

#include <string_view>
#include <vector>

#include "finding.hpp"
#include "media/cassette.hpp"

namespace fitinfo {

namespace kind_name {  // their names in their summaries and fault lines
inline constexpr std::string_view kCodeCassette = "code cassette image";
inline constexpr std::string_view kDataCassette = "data cassette image";
}  // namespace kind_name

media::Checked<CassetteImage> read_cassette_image(const std::vector<media::BlockView>& blocks);
Finding describe(CassetteImage image);

}  // namespace fitinfo
