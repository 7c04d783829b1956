// A range of target addresses, both ends included, in which a format lets code lie.
#pragma once

namespace media {

struct Window {
    int first;
    int last;
    [[nodiscard]] constexpr bool holds(int address) const {
        return address >= first && address <= last;
    }
};

}  // namespace media
