// Takes the settings of one fuzz run from the front of its input, and builds the
// source from what is left.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fit_fuzz {

class Input {
public:
    explicit Input(std::span<const std::uint8_t> data) : data_(data) {}

    // Missing bytes read as 0, so that every input means something.
    std::uint8_t byte() {
        if (data_.empty()) return 0;
        const std::uint8_t b = data_.front();
        data_ = data_.subspan(1);
        return b;
    }
    std::uint32_t little(int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return v;
    }
    [[nodiscard]] std::span<const std::uint8_t> rest() const { return data_; }

    // The number of a row of a type table (its place, from 1), chosen by one byte, so
    // that every row of the table is tried, a row added later too.
    template <typename Rows>
    int pick_row_number(const Rows& rows) {
        return static_cast<int>(byte() % rows.size()) + 1;
    }

    // The rest as it is, or repeated (or cut) to `length` bytes: short inputs can
    // then reach the largest sources the converters take.
    [[nodiscard]] std::vector<std::uint8_t> source(bool stretch, std::size_t length,
                                                   std::size_t capacity) const {
        if (!stretch) {
            const auto r = data_.first(std::min(data_.size(), capacity));
            return {r.begin(), r.end()};
        }
        std::vector<std::uint8_t> s(std::min(length, capacity));
        if (!data_.empty())
            for (std::size_t i = 0; i < s.size(); ++i) s[i] = data_[i % data_.size()];
        return s;
    }

private:
    std::span<const std::uint8_t> data_;
};

}  // namespace fit_fuzz
